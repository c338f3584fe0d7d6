#pragma once

#include "effects/EffectItem.h"
#include "effects/KeyedBackground.h"
#include "platform/runtime/Exception.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A command line that tarnolix-fx cannot run; its message says what is wrong.
TARNOLIX_DECLARE_ERROR(EUsageError, Exception);

// What tarnolix-fx was asked to do.
struct TFxOptions {
    bool list = false;
    TEffectItem effect = TEffectItem::Obraznormalny1;
    std::string input;
    std::string output;
    std::optional<uint32_t> seed;
    std::optional<TKeyColour> key;
    std::string background;
    int repeat = 1;
};

// Parses the arguments after the program's name:
//   [--seed N] [--key RRGGBB --background PICTURE] [--repeat N] EFFECT INPUT OUTPUT
//   --list
// Raises EUsageError for anything else.
TFxOptions ParseFxCommandLine(const std::vector<std::string>& arguments);

extern const char* const kFxUsage;
