// Linked into every test program that must not meet the machine's own cameras or settings:
// before main runs, device scanning is pointed at a folder that holds no video nodes, PipeWire
// clients at one without a daemon's socket, and the sound server at none, unless the caller named
// them already (the real-driver tier names /dev on purpose; PipeWire's tests and the film's
// microphone test start daemons of their own and point there), so that films get no machine's
// microphone; and the user's configuration folder at a fresh one of the process's own, removed
// when it ends, so that no test reads or writes the user's camera settings.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct PrivateConfigFolder {
    std::string path;
    PrivateConfigFolder() {
        const char* temporary = std::getenv("TMPDIR");
        std::string pattern =
            std::string(temporary && temporary[0] ? temporary : "/tmp") + "/tarnolix-config-XXXXXX";
        if (mkdtemp(pattern.data())) {
            path = pattern;
            setenv("XDG_CONFIG_HOME", path.c_str(), 1);
        }
    }
    ~PrivateConfigFolder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
};

const bool pointed = [] {
    setenv("TARNOLIX_DEVICE_DIR", "/nonexistent/tarnolix-tests-scan-no-devices", 0);
    setenv("PIPEWIRE_RUNTIME_DIR", "/nonexistent/tarnolix-tests-no-pipewire", 0);
    setenv("PULSE_SERVER", "unix:/nonexistent/tarnolix-tests-no-sound-server", 0);
    return true;
}();

const PrivateConfigFolder configFolder;

} // namespace
