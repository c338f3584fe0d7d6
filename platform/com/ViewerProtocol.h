#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <variant>

// The line protocol between a running program and a graph viewer. A viewer connects to the
// socket beside a running-object entry and sends one request per line, a JSON object:
//   {"version":1,"request":"describe"}
//   {"version":1,"request":"stats"}
//   {"version":1,"request":"watch","interval_ms":1000}
// Each reply is one line, a JSON object with "version" and "reply" (the request's name), or
// "version" and "error" (a message) after which the program closes the connection.
namespace ViewerProtocol {

inline constexpr int kVersion = 1;
// The longest request line, its newline included.
inline constexpr size_t kMaxRequestBytes = 4096;
// A watch's interval is kept within these bounds.
inline constexpr std::chrono::milliseconds kMinWatchInterval{50};
inline constexpr std::chrono::milliseconds kMaxWatchInterval{60000};
inline constexpr std::chrono::milliseconds kDefaultWatchInterval{1000};

enum class RequestKind { Describe, Stats, Watch };

struct Request {
    RequestKind kind = RequestKind::Describe;
    std::chrono::milliseconds interval = kDefaultWatchInterval; // watch only
};

// The request in one line (without its newline), or the message of an error reply.
std::variant<Request, std::string> ParseRequest(std::string_view line);

// The request line a viewer sends (with its newline).
std::string RequestLine(RequestKind kind, std::chrono::milliseconds interval = kDefaultWatchInterval);

// An error reply line (with its newline).
std::string ErrorLine(std::string_view message);

const char* RequestName(RequestKind kind);

} // namespace ViewerProtocol
