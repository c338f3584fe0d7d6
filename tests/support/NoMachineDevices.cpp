// Linked into every test program that must not meet the machine's own cameras: before main runs,
// device scanning is pointed at a folder that holds no video nodes, and PipeWire clients at one
// without a daemon's socket, unless the caller named them already (the real-driver tier names
// /dev on purpose; PipeWire's tests start daemons of their own and point there).

#include <cstdlib>

namespace {

const bool pointed = [] {
    setenv("TARNOLIX_DEVICE_DIR", "/nonexistent/tarnolix-tests-scan-no-devices", 0);
    setenv("PIPEWIRE_RUNTIME_DIR", "/nonexistent/tarnolix-tests-no-pipewire", 0);
    return true;
}();

} // namespace
