// Linked into every test program that must not meet the machine's own cameras or settings:
// before main runs, device scanning is pointed at a folder that holds no video nodes, unless the
// caller named a folder already (the real-driver tier names /dev on purpose), and the user's
// configuration folder at a fresh one of the process's own, removed when it ends, so that no
// test reads or writes the user's camera settings.

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
    return true;
}();

const PrivateConfigFolder configFolder;

} // namespace
