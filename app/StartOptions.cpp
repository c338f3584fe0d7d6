#include "app/StartOptions.h"

#include <cstring>

const char* const kStartUsage =
    "usage: tarnolix [Qt options] [--device NAME] [--effect ITEM] [--virtual-camera[=DEVICE]]\n"
    "                [--record[=FILE]]\n"
    "Shows live video from a capture device beside the same video with one effect applied.\n"
    "  --device NAME            start capture from the device of this caption in the device menu\n"
    "  --effect ITEM            choose the effect by its item name (Negatyw1) or caption (Negatyw)\n"
    "  --virtual-camera[=DEVICE]\n"
    "                           write the processed picture to a v4l2loopback device (its path\n"
    "                           or card label) or, with =pipewire, as a PipeWire camera; by\n"
    "                           default the device labelled Tarnolix, else the first free one,\n"
    "                           else PipeWire when a daemon runs\n"
    "  --record[=FILE]          record the processed picture, with the default microphone's\n"
    "                           sound, from the first frame of the --device camera until the\n"
    "                           window closes or SIGTERM or SIGINT comes, into an MP4 film:\n"
    "                           FILE, by default \"Tarnolix YYYY-MM-DD HH-MM-SS.mp4\" in the\n"
    "                           videos folder\n"
    "  --help                   show this text\n";

namespace {

std::optional<TEffectItem> EffectNamed(const std::string& text) {
    if (const auto item = FindEffectItem(text))
        return item;
    for (const TEffectInfo& info : EffectCatalogue())
        if (info.caption == text)
            return info.item;
    return std::nullopt;
}

} // namespace

TStartOptions ParseStartOptions(const std::vector<std::string>& arguments) {
    TStartOptions options;
    for (size_t k = 0; k < arguments.size(); ++k) {
        std::string option = arguments[k];
        std::optional<std::string> attached;
        if (const size_t equals = option.find('=');
            option.rfind("--", 0) == 0 && equals != std::string::npos) {
            attached = option.substr(equals + 1);
            option.resize(equals);
        }
        const auto value = [&]() -> std::string {
            if (attached)
                return *attached;
            if (k + 1 >= arguments.size())
                throw EStartOptionsError("missing value after " + option);
            return arguments[++k];
        };
        const auto once = [&](const auto& field) {
            if (field)
                throw EStartOptionsError(option + " given twice");
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--device") {
            once(options.device);
            options.device = value();
            if (options.device->empty())
                throw EStartOptionsError("--device needs a device name");
        } else if (option == "--effect") {
            once(options.effect);
            const std::string text = value();
            options.effect = EffectNamed(text);
            if (!options.effect)
                throw EStartOptionsError("unknown effect '" + text + "' (tarnolix-fx --list shows them)");
        } else if (option == "--virtual-camera") {
            once(options.virtualCamera);
            options.virtualCamera = attached.value_or("");
        } else if (option == "--record") {
            once(options.record);
            options.record = attached.value_or("");
        } else if (!option.empty() && option[0] == '-') {
            throw EStartOptionsError("unknown option " + option);
        } else {
            throw EStartOptionsError("unexpected argument '" + option + "'");
        }
    }
    return options;
}

bool AsksForHelp(int argc, char** argv) {
    for (int k = 1; k < argc; ++k)
        if (std::strcmp(argv[k], "--help") == 0 || std::strcmp(argv[k], "-h") == 0)
            return true;
    return false;
}
