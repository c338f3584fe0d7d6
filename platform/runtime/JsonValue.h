#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A parsed JSON value. Parse reads one whole JSON text (RFC 8259) and refuses anything else:
// trailing bytes, nesting deeper than a limit, control characters or invalid escapes in strings,
// lone surrogates. It never reads past the text it is given, so a caller bounds the work by
// bounding the text. Objects keep their members in order; Find gives the first of a key.
class JsonValue {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    static constexpr int kDefaultDepth = 32;
    static std::optional<JsonValue> Parse(std::string_view text, int maxDepth = kDefaultDepth);

    Type GetType() const { return type_; }
    bool IsObject() const { return type_ == Type::Object; }
    bool IsArray() const { return type_ == Type::Array; }
    bool IsString() const { return type_ == Type::String; }
    bool IsNumber() const { return type_ == Type::Number; }

    bool AsBool() const { return type_ == Type::Bool && bool_; }
    double AsNumber() const { return type_ == Type::Number ? number_ : 0.0; }
    // The number as a whole number when it is one within int64's range.
    std::optional<int64_t> AsInteger() const;
    const std::string& AsString() const { return string_; }

    // Arrays: the elements. Objects: the members' values, in the order of Keys().
    const std::vector<JsonValue>& Items() const { return items_; }
    const std::vector<std::string>& Keys() const { return keys_; }
    // The value of an object's member; nullptr when absent or not an object.
    const JsonValue* Find(std::string_view key) const;
    // Find's string, or `otherwise` when the member is absent or not a string.
    std::string StringOf(std::string_view key, std::string_view otherwise = {}) const;
    // Find's number, or `otherwise` when the member is absent or not a number.
    double NumberOf(std::string_view key, double otherwise = 0.0) const;

private:
    friend class JsonParser;

    Type type_ = Type::Null;
    bool bool_ = false;
    double number_ = 0.0;
    std::string string_;
    std::vector<std::string> keys_;
    std::vector<JsonValue> items_;
};
