#pragma once

#include "effects/EffectItem.h"
#include "platform/runtime/Exception.h"

#include <optional>
#include <string>
#include <vector>

// A command line that tarnolix cannot start with; its message (English) says what is wrong.
TARNOLIX_DECLARE_ERROR(EStartOptionsError, Exception);

// What the window is to do once it is open, as an autostart entry asks for it.
struct TStartOptions {
    bool help = false;
    std::optional<std::string> device;        // a caption of the device menu
    std::optional<TEffectItem> effect;        // chosen by item name or caption
    std::optional<std::string> virtualCamera; // empty: the device the program chooses
    std::optional<std::string> record;        // a film's file; empty: a new one in the videos folder
};

// Parses the arguments after the program's name, once Qt has taken its own:
//   [--device NAME] [--effect ITEM] [--virtual-camera[=DEVICE]] [--record[=FILE]]   --help
// Each option's value may also follow an "=". Raises EStartOptionsError for anything else.
TStartOptions ParseStartOptions(const std::vector<std::string>& arguments);
// Whether the arguments ask for help, looked at before Qt, which needs a display, is started.
bool AsksForHelp(int argc, char** argv);

extern const char* const kStartUsage;
