// Linked into every test program that must not meet the machine's own cameras: before main runs,
// device scanning is pointed at a folder that holds no video nodes, PipeWire clients at one
// without a daemon's socket, and the sound server at none, unless the caller named them already
// (the real-driver tier names /dev on purpose; PipeWire's tests and the film's microphone test
// start daemons of their own and point there), so that films get no machine's microphone.

#include <cstdlib>

namespace {

const bool pointed = [] {
    setenv("TARNOLIX_DEVICE_DIR", "/nonexistent/tarnolix-tests-scan-no-devices", 0);
    setenv("PIPEWIRE_RUNTIME_DIR", "/nonexistent/tarnolix-tests-no-pipewire", 0);
    setenv("PULSE_SERVER", "unix:/nonexistent/tarnolix-tests-no-sound-server", 0);
    return true;
}();

} // namespace
