#include "platform/com/ViewerProtocol.h"
#include "platform/runtime/JsonValue.h"
#include "platform/runtime/JsonWriter.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonWriter, PutsCommasAndEscapesWhatJsonCannotHoldAsItIs) {
    JsonWriter out;
    out.BeginObject()
        .Field("name", "a \"quoted\" \\ name\n\x01")
        .Field("count", uint64_t{18446744073709551615u})
        .Field("none", nullptr)
        .Key("list")
        .BeginArray()
        .Number(int64_t{-3})
        .Number(2.5)
        .Bool(true)
        .BeginObject()
        .EndObject()
        .EndArray()
        .Field("nan", 0.0 / 0.0)
        .EndObject();
    EXPECT_EQ(out.Text(), "{\"name\":\"a \\\"quoted\\\" \\\\ name\\n\\u0001\",\"count\":18446744073709551615,"
                          "\"none\":null,\"list\":[-3,2.5,true,{}],\"nan\":null}");
}

TEST(JsonWriter, MendsInvalidUtf8SoTheTextStaysValid) {
    EXPECT_EQ(JsonQuoted("Kamera \xC5\x82\xC3\xB3"
                         "d\xC5\xBA"),
              "\"Kamera \xC5\x82\xC3\xB3"
              "d\xC5\xBA\"");
    const std::string mended = JsonQuoted("bad \xFF\xC0\x80 end");
    EXPECT_TRUE(JsonValue::Parse(mended)) << mended;
    EXPECT_EQ(mended.find('\xFF'), std::string::npos);
}

TEST(JsonValue, ReadsNestedValuesEscapesAndSurrogatePairs) {
    const auto value =
        JsonValue::Parse(R"( {"a": [1, -2.5e2, true, null, "x\u00e9\ud83d\ude00\n"], "b": {}} )");
    ASSERT_TRUE(value);
    const JsonValue* a = value->Find("a");
    ASSERT_TRUE(a && a->IsArray());
    ASSERT_EQ(a->Items().size(), 5u);
    EXPECT_EQ(a->Items()[0].AsInteger(), 1);
    EXPECT_EQ(a->Items()[1].AsNumber(), -250.0);
    EXPECT_TRUE(a->Items()[2].AsBool());
    EXPECT_EQ(a->Items()[3].GetType(), JsonValue::Type::Null);
    EXPECT_EQ(a->Items()[4].AsString(), "x\xC3\xA9\xF0\x9F\x98\x80\n");
    EXPECT_TRUE(value->Find("b")->IsObject());
    EXPECT_EQ(value->Find("c"), nullptr);
}

TEST(JsonValue, RefusesWhatIsNotExactlyOneJsonText) {
    for (const char* bad : {"", "{", "{\"a\":1,}", "[1 2]", "{\"a\" 1}", "01", "1.", "-", "1e", "tru",
                            "\"unterminated", "\"tab\there\"", "\"\\x\"", "\"\\ud800\"", "\"\\udc00\"",
                            "{} {}", "1e999", "{\"a\":1}x", "\"\\u12G4\""})
        EXPECT_FALSE(JsonValue::Parse(bad)) << bad;
}

TEST(JsonValue, RefusesNestingBeyondItsLimitWithoutRecursingFurther) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(JsonValue::Parse(deep));
    EXPECT_TRUE(JsonValue::Parse("[[[]]]", 3));
    EXPECT_FALSE(JsonValue::Parse("[[[[]]]]", 3));
}

TEST(ViewerProtocol, ReadsTheThreeRequestsAndKeepsAWatchIntervalInBounds) {
    using namespace ViewerProtocol;
    const auto describe = ParseRequest(R"({"version":1,"request":"describe"})");
    ASSERT_TRUE(std::holds_alternative<Request>(describe));
    EXPECT_EQ(std::get<Request>(describe).kind, RequestKind::Describe);
    const auto fast = ParseRequest(R"({"request":"watch","version":1,"interval_ms":1})");
    ASSERT_TRUE(std::holds_alternative<Request>(fast));
    EXPECT_EQ(std::get<Request>(fast).kind, RequestKind::Watch);
    EXPECT_EQ(std::get<Request>(fast).interval, kMinWatchInterval);
    const auto slow = ParseRequest(R"({"request":"watch","version":1,"interval_ms":1e300})");
    EXPECT_EQ(std::get<Request>(slow).interval, kMaxWatchInterval);
    // The request lines the viewer sends are read back as they were meant.
    const std::string line = RequestLine(RequestKind::Watch, std::chrono::milliseconds(250));
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(std::get<Request>(ParseRequest(line.substr(0, line.size() - 1))).interval.count(), 250);
}

TEST(ViewerProtocol, AnswersBadRequestsWithTheirReason) {
    using namespace ViewerProtocol;
    const auto error = [](std::string_view line) {
        const auto parsed = ParseRequest(line);
        return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed)
                                                           : std::string("accepted");
    };
    EXPECT_EQ(error("describe"), "malformed request");
    EXPECT_EQ(error("[1]"), "malformed request");
    EXPECT_EQ(error(R"({"request":"describe"})"), "unsupported protocol version");
    EXPECT_EQ(error(R"({"version":2,"request":"describe"})"), "unsupported protocol version");
    EXPECT_EQ(error(R"({"version":1,"request":"shutdown"})"), "unknown request");
    EXPECT_EQ(error(R"({"version":1,"request":{"nested":{"deep":1}}})"), "malformed request");
    EXPECT_EQ(error(std::string(kMaxRequestBytes, ' ')), "request too long");
    const auto reply = JsonValue::Parse(ErrorLine("request too long"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->StringOf("error"), "request too long");
    EXPECT_EQ(reply->NumberOf("version"), kVersion);
}

} // namespace
