#include "platform/runtime/JsonValue.h"

#include "platform/runtime/UnicodeText.h"

#include <charconv>
#include <cmath>

// Recursive descent over the text, with the nesting depth counted.
class JsonParser {
public:
    JsonParser(std::string_view text, int maxDepth) : text_(text), maxDepth_(maxDepth) {}

    std::optional<JsonValue> ParseWhole() {
        JsonValue value;
        SkipSpace();
        if (!ParseValue(value, 0))
            return std::nullopt;
        SkipSpace();
        if (position_ != text_.size())
            return std::nullopt;
        return value;
    }

private:
    bool AtEnd() const { return position_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[position_]; }

    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            ++position_;
    }

    bool Literal(std::string_view word) {
        if (text_.substr(position_, word.size()) != word)
            return false;
        position_ += word.size();
        return true;
    }

    bool ParseValue(JsonValue& value, int depth) {
        switch (Peek()) {
        case '{':
            return ParseObject(value, depth + 1);
        case '[':
            return ParseArray(value, depth + 1);
        case '"':
            value.type_ = JsonValue::Type::String;
            return ParseString(value.string_);
        case 't':
            value.type_ = JsonValue::Type::Bool;
            value.bool_ = true;
            return Literal("true");
        case 'f':
            value.type_ = JsonValue::Type::Bool;
            return Literal("false");
        case 'n':
            return Literal("null");
        default:
            return ParseNumber(value);
        }
    }

    bool ParseObject(JsonValue& value, int depth) {
        if (depth > maxDepth_)
            return false;
        value.type_ = JsonValue::Type::Object;
        ++position_; // '{'
        SkipSpace();
        if (Peek() == '}') {
            ++position_;
            return true;
        }
        for (;;) {
            SkipSpace();
            std::string key;
            if (Peek() != '"' || !ParseString(key))
                return false;
            SkipSpace();
            if (Peek() != ':')
                return false;
            ++position_;
            SkipSpace();
            JsonValue member;
            if (!ParseValue(member, depth))
                return false;
            value.keys_.push_back(std::move(key));
            value.items_.push_back(std::move(member));
            SkipSpace();
            if (Peek() == ',') {
                ++position_;
                continue;
            }
            if (Peek() != '}')
                return false;
            ++position_;
            return true;
        }
    }

    bool ParseArray(JsonValue& value, int depth) {
        if (depth > maxDepth_)
            return false;
        value.type_ = JsonValue::Type::Array;
        ++position_; // '['
        SkipSpace();
        if (Peek() == ']') {
            ++position_;
            return true;
        }
        for (;;) {
            SkipSpace();
            JsonValue item;
            if (!ParseValue(item, depth))
                return false;
            value.items_.push_back(std::move(item));
            SkipSpace();
            if (Peek() == ',') {
                ++position_;
                continue;
            }
            if (Peek() != ']')
                return false;
            ++position_;
            return true;
        }
    }

    bool ParseNumber(JsonValue& value) {
        const size_t start = position_;
        const auto digits = [this] {
            const size_t from = position_;
            while (!AtEnd() && Peek() >= '0' && Peek() <= '9')
                ++position_;
            return position_ - from;
        };
        if (Peek() == '-')
            ++position_;
        if (Peek() == '0')
            ++position_;
        else if (digits() == 0)
            return false;
        if (Peek() == '.') {
            ++position_;
            if (digits() == 0)
                return false;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++position_;
            if (Peek() == '+' || Peek() == '-')
                ++position_;
            if (digits() == 0)
                return false;
        }
        double number = 0.0;
        const char* first = text_.data() + start;
        const char* last = text_.data() + position_;
        const auto result = std::from_chars(first, last, number);
        if (result.ec != std::errc() || result.ptr != last || !std::isfinite(number))
            return false; // out of range
        value.type_ = JsonValue::Type::Number;
        value.number_ = number;
        return true;
    }

    bool Hex4(uint32_t& code) {
        if (text_.size() - position_ < 4)
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[position_++];
            code <<= 4;
            if (c >= '0' && c <= '9')
                code |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                code |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                code |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    bool ParseEscape(std::string& out) {
        if (AtEnd())
            return false;
        const char c = text_[position_++];
        switch (c) {
        case '"':
        case '\\':
        case '/':
            out += c;
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            return false;
        }
        uint32_t code = 0;
        if (!Hex4(code))
            return false;
        if (code >= 0xDC00 && code <= 0xDFFF)
            return false; // a low surrogate without its high one
        if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low = 0;
            if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
        return true;
    }

    bool ParseString(std::string& out) {
        ++position_; // '"'
        while (!AtEnd()) {
            const char c = text_[position_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c == '\\') {
                if (!ParseEscape(out))
                    return false;
            } else {
                out += c;
            }
        }
        return false; // unterminated
    }

    std::string_view text_;
    int maxDepth_;
    size_t position_ = 0;
};

std::optional<JsonValue> JsonValue::Parse(std::string_view text, int maxDepth) {
    return JsonParser(text, maxDepth).ParseWhole();
}

std::optional<int64_t> JsonValue::AsInteger() const {
    if (type_ != Type::Number || number_ != std::floor(number_) || number_ < -9.2e18 || number_ > 9.2e18)
        return std::nullopt;
    return static_cast<int64_t>(number_);
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    if (type_ != Type::Object)
        return nullptr;
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == key)
            return &items_[i];
    return nullptr;
}

std::string JsonValue::StringOf(std::string_view key, std::string_view otherwise) const {
    const JsonValue* member = Find(key);
    return member && member->IsString() ? member->string_ : std::string(otherwise);
}

double JsonValue::NumberOf(std::string_view key, double otherwise) const {
    const JsonValue* member = Find(key);
    return member && member->IsNumber() ? member->number_ : otherwise;
}
