// Linked into every test program that must not meet the machine's own cameras: before main runs,
// device scanning is pointed at a folder that holds no video nodes, unless the caller named a
// folder already (the real-driver tier names /dev on purpose). Likewise the sound server, so that
// films get no machine's microphone unless a test starts a server of its own.

#include <cstdlib>

namespace {

const bool pointed = [] {
    setenv("TARNOLIX_DEVICE_DIR", "/nonexistent/tarnolix-tests-scan-no-devices", 0);
    setenv("PULSE_SERVER", "unix:/nonexistent/tarnolix-tests-no-sound-server", 0);
    return true;
}();

} // namespace
