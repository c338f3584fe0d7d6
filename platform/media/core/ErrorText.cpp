#include "platform/media/core/ErrorText.h"

#include "platform/runtime/ModuleLoader.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

const std::unordered_map<HRESULT, std::string_view>& Texts() {
    static const std::unordered_map<HRESULT, std::string_view> texts{
        {E_FAIL, "Nieokreślony błąd"},
        {E_NOTIMPL, "Nie zaimplementowano"},
        {E_NOINTERFACE, "Nie obsługiwany interfejs"},
        {E_POINTER, "Nieprawidłowy wskaźnik"},
        {E_ABORT, "Operacja została przerwana"},
        {E_UNEXPECTED, "Nieoczekiwany błąd"},
        {E_OUTOFMEMORY, "Za mało pamięci, aby ukończyć tę operację."},
        {E_INVALIDARG, "Parametr jest niepoprawny."},
        {REGDB_E_CLASSNOTREG, "Klasa nie jest zarejestrowana"},
        {CO_E_CLASSSTRING, "Nieprawidłowy ciąg klasy"},
        {VFW_E_INVALIDMEDIATYPE, "Określony typ nośnika jest nieprawidłowy."},
        {VFW_E_ALREADY_CONNECTED, "Nie można wykonać operacji, ponieważ styk jest już połączony."},
        {VFW_E_NO_ACCEPTABLE_TYPES, "Nie znaleziono akceptowalnego typu nośnika."},
        {VFW_E_INVALID_DIRECTION, "Nie można połączyć dwóch styków o tym samym kierunku."},
        {VFW_E_NOT_CONNECTED, "Nie można wykonać operacji, ponieważ styki nie są połączone."},
        {VFW_E_RUNTIME_ERROR, "Wystąpił błąd w czasie wykonywania."},
        {VFW_E_BUFFER_NOTSET, "Nie ustawiono bufora próbki."},
        {VFW_E_NOT_FOUND, "Nie można znaleźć obiektu lub nazwy."},
        {VFW_E_CANNOT_CONNECT,
         "Nie znaleziono kombinacji filtrów pośrednich, która umożliwiłaby nawiązanie połączenia."},
        {VFW_E_CANNOT_RENDER,
         "Nie znaleziono kombinacji filtrów, która umożliwiłaby renderowanie strumienia."},
        {VFW_E_NOT_STOPPED, "Nie można wykonać operacji, ponieważ filtr nie jest zatrzymany."},
        {VFW_E_WRONG_STATE, "Nie można wykonać operacji w bieżącym stanie filtru."},
        {VFW_E_TYPE_NOT_ACCEPTED, "Ten typ nośnika nie jest akceptowany."},
        {VFW_E_TIMEOUT, "Upłynął limit czasu."},
        {VFW_S_DUPLICATE_NAME, "Nazwa filtru była już używana w grafie; filtr dodano pod zmienioną nazwą."},
        {HRESULT_ERROR_BUSY, "Żądany zasób jest w użyciu."},
        {HRESULT_ERROR_INVALID_DATA, "Dane są nieprawidłowe."},
        {HRESULT_FILE_NOT_FOUND, "Nie można odnaleźć określonego pliku."},
        {VFW_E_NO_CAPTURE_HARDWARE, "Brak dostępnego sprzętu przechwytującego."},
        {VFW_E_NOT_IN_GRAPH, "Nie można wykonać operacji na obiekcie, który nie należy do grafu filtrów."},
    };
    return texts;
}

std::string_view TextOf(HRESULT result) {
    auto it = Texts().find(result);
    return it == Texts().end() ? std::string_view() : it->second;
}

// Decodes one UTF-8 character at `at`; returns its length in bytes.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    c = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (size_t k = 1; k < length && at + k < text.size(); ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    return length;
}

} // namespace

uint32_t AMGetErrorTextA(HRESULT result, char* buffer, uint32_t maxLength) {
    const std::string_view text = TextOf(result);
    if (!buffer || maxLength == 0 || text.empty())
        return 0;
    // Whole characters that fit before the NUL.
    size_t bytes = 0;
    uint32_t characters = 0;
    while (bytes < text.size()) {
        char32_t c;
        const size_t length = DecodeUtf8(text, bytes, c);
        if (bytes + length > maxLength - 1)
            break;
        bytes += length;
        ++characters;
    }
    std::memcpy(buffer, text.data(), bytes);
    buffer[bytes] = '\0';
    return characters;
}

uint32_t AMGetErrorTextW(HRESULT result, char16_t* buffer, uint32_t maxLength) {
    const std::string_view text = TextOf(result);
    if (!buffer || maxLength == 0 || text.empty())
        return 0;
    uint32_t written = 0;
    for (size_t at = 0; at < text.size();) {
        char32_t c;
        at += DecodeUtf8(text, at, c);
        const uint32_t units = c >= 0x10000 ? 2 : 1;
        if (written + units > maxLength - 1)
            break;
        if (units == 2) {
            buffer[written++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            buffer[written++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            buffer[written++] = static_cast<char16_t>(c);
        }
    }
    buffer[written] = u'\0';
    return written;
}

void RegisterQuartzModule() {
    RegisterModule("quartz.dll", {{"AMGetErrorTextA", reinterpret_cast<void*>(&AMGetErrorTextA)},
                                  {"AMGetErrorTextW", reinterpret_cast<void*>(&AMGetErrorTextW)}});
}
