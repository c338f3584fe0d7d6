#include "platform/com/ViewerProtocol.h"

#include "platform/runtime/JsonValue.h"
#include "platform/runtime/JsonWriter.h"

#include <algorithm>

namespace ViewerProtocol {

const char* RequestName(RequestKind kind) {
    switch (kind) {
    case RequestKind::Describe:
        return "describe";
    case RequestKind::Stats:
        return "stats";
    case RequestKind::Watch:
        return "watch";
    }
    return "";
}

std::variant<Request, std::string> ParseRequest(std::string_view line) {
    if (line.size() >= kMaxRequestBytes)
        return std::string("request too long");
    // A request is a flat object: two levels are all it can need.
    const auto parsed = JsonValue::Parse(line, 2);
    if (!parsed || !parsed->IsObject())
        return std::string("malformed request");
    const JsonValue* version = parsed->Find("version");
    if (!version || version->AsInteger() != kVersion)
        return std::string("unsupported protocol version");
    const std::string name = parsed->StringOf("request");
    Request request;
    if (name == "describe") {
        request.kind = RequestKind::Describe;
    } else if (name == "stats") {
        request.kind = RequestKind::Stats;
    } else if (name == "watch") {
        request.kind = RequestKind::Watch;
        const double wanted =
            parsed->NumberOf("interval_ms", static_cast<double>(kDefaultWatchInterval.count()));
        const double bounded = std::clamp(wanted, static_cast<double>(kMinWatchInterval.count()),
                                          static_cast<double>(kMaxWatchInterval.count()));
        request.interval = std::chrono::milliseconds(static_cast<int64_t>(bounded));
    } else {
        return std::string("unknown request");
    }
    return request;
}

std::string RequestLine(RequestKind kind, std::chrono::milliseconds interval) {
    JsonWriter out;
    out.BeginObject().Field("version", kVersion).Field("request", RequestName(kind));
    if (kind == RequestKind::Watch)
        out.Field("interval_ms", static_cast<int64_t>(interval.count()));
    out.EndObject();
    return out.Text() + '\n';
}

std::string ErrorLine(std::string_view message) {
    JsonWriter out;
    out.BeginObject().Field("version", kVersion).Field("error", message).EndObject();
    return out.Text() + '\n';
}

} // namespace ViewerProtocol
