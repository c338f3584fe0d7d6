#pragma once

#include <string>

// printf-style formatting into a std::string; the runtime's error texts are printf patterns.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* pattern, ...);
