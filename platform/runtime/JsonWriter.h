#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds one JSON text in memory: objects, arrays, strings, numbers, booleans and null, with the
// commas put in by the writer. Strings are escaped for JSON; bytes that are not valid UTF-8
// become U+FFFD, so the text is always valid whatever names it is given. Numbers that are not
// finite are written as null. One thread at a time.
class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The key of the next value inside an object.
    JsonWriter& Key(std::string_view key);

    JsonWriter& String(std::string_view value);
    JsonWriter& Number(int64_t value);
    JsonWriter& Number(uint64_t value);
    JsonWriter& Number(int32_t value) { return Number(static_cast<int64_t>(value)); }
    JsonWriter& Number(uint32_t value) { return Number(static_cast<uint64_t>(value)); }
    JsonWriter& Number(double value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // A key and its value in one call.
    template <typename T> JsonWriter& Field(std::string_view key, const T& value) {
        Key(key);
        return Value(value);
    }

    const std::string& Text() const { return text_; }

private:
    JsonWriter& Value(std::string_view value) { return String(value); }
    JsonWriter& Value(const std::string& value) { return String(value); }
    JsonWriter& Value(const char* value) { return String(value); }
    JsonWriter& Value(bool value) { return Bool(value); }
    JsonWriter& Value(std::nullptr_t) { return Null(); }
    JsonWriter& Value(double value) { return Number(value); }
    template <typename T> JsonWriter& Value(const T& value) { return Number(value); }

    // Puts the comma before a value or a key where one is due.
    void Separate();

    std::string text_;
    // One entry per open object or array: whether it holds an element yet.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

// `text` as a quoted JSON string.
std::string JsonQuoted(std::string_view text);
