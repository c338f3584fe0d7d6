#include "tools/FxCommandLine.h"

#include <charconv>
#include <limits>

const char* const kFxUsage =
    "usage: tarnolix-fx [--seed N] [--key RRGGBB --background PICTURE] [--repeat N] EFFECT INPUT OUTPUT\n"
    "       tarnolix-fx --list\n"
    "Runs the frame pass with EFFECT over INPUT (.bmp or .jpg) and writes OUTPUT as a 24-bit .bmp.\n";

namespace {

// The whole of `text` as a number of the given base within [low, high].
std::optional<uint64_t> Number(const std::string& text, int base, uint64_t low, uint64_t high) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || at != end || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

TFxOptions ParseFxCommandLine(const std::vector<std::string>& arguments) {
    TFxOptions options;
    std::vector<std::string> positional;
    for (size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        auto value = [&]() -> const std::string& {
            if (k + 1 >= arguments.size())
                throw EUsageError("missing value after " + argument);
            return arguments[++k];
        };
        if (argument == "--list") {
            options.list = true;
        } else if (argument == "--seed") {
            const std::string& text = value();
            const auto seed = Number(text, 10, 0, std::numeric_limits<uint32_t>::max());
            if (!seed)
                throw EUsageError("--seed needs a decimal number from 0 to 4294967295, not '" + text + "'");
            options.seed = static_cast<uint32_t>(*seed);
        } else if (argument == "--key") {
            const std::string& text = value();
            const auto rgb = text.size() == 6 && text.find_first_of("+-") == std::string::npos
                                 ? Number(text, 16, 0, 0xFFFFFF)
                                 : std::nullopt;
            if (!rgb)
                throw EUsageError("--key needs six hexadecimal digits RRGGBB, not '" + text + "'");
            options.key = TKeyColour{static_cast<uint8_t>(*rgb >> 16), static_cast<uint8_t>(*rgb >> 8),
                                     static_cast<uint8_t>(*rgb)};
        } else if (argument == "--background") {
            options.background = value();
        } else if (argument == "--repeat") {
            const std::string& text = value();
            const auto repeat = Number(text, 10, 1, 1000000);
            if (!repeat)
                throw EUsageError("--repeat needs a number from 1 to 1000000, not '" + text + "'");
            options.repeat = static_cast<int>(*repeat);
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw EUsageError("unknown option " + argument);
        } else {
            positional.push_back(argument);
        }
    }
    if (options.list) {
        if (arguments.size() != 1)
            throw EUsageError("--list takes nothing else");
        return options;
    }
    if (positional.size() != 3)
        throw EUsageError(positional.size() < 3 ? "missing EFFECT, INPUT or OUTPUT" : "too many arguments");
    const auto effect = FindEffectItem(positional[0]);
    if (!effect)
        throw EUsageError("unknown effect '" + positional[0] + "' (tarnolix-fx --list shows them)");
    options.effect = *effect;
    options.input = positional[1];
    options.output = positional[2];
    return options;
}
