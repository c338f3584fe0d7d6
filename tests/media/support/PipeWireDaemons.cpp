#include "tests/media/support/PipeWireDaemons.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#ifdef TARNOLIX_PORTAL_STAND_IN
#include <dbus/dbus.h>
#endif

extern char** environ;

namespace {

// WirePlumber's Bluetooth monitor needs logind, which a test machine may lack; cameras need
// no Bluetooth.
constexpr const char* kBluetoothOff = "bluez_monitor.enabled = false\n";

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

bool Ended(pid_t pid, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void Stop(pid_t pid, int signal) {
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    if (!Ended(pid, 3000)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

#ifdef TARNOLIX_PORTAL_STAND_IN
// Whether a name has an owner on the session bus, asked on a private connection.
bool NameOwned(const std::string& name) {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
    bool owned = false;
    if (bus) {
        dbus_connection_set_exit_on_disconnect(bus, false);
        owned = dbus_bus_name_has_owner(bus, name.c_str(), &error);
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
    dbus_error_free(&error);
    return owned;
}

bool WaitForName(const std::string& name, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!NameOwned(name)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}
#endif

constexpr const char* kPortalProgram = "/usr/libexec/xdg-desktop-portal";
constexpr const char* kDesktop = "tarnolixtest";

} // namespace

std::string PipeWireDaemons::Missing() {
    for (const char* program : {"dbus-daemon", "pipewire", "wireplumber", "gst-launch-1.0"})
        if (!OnPath(program))
            return std::string(program) + " is not installed";
    return {};
}

PipeWireDaemons::PipeWireDaemons() {
    std::string pattern = "/tmp/tarnolix-pipewire-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder like " + pattern);
    folder_ = pattern;
    runtime_ = folder_ / "run";
    std::filesystem::create_directories(runtime_);
    ::chmod(runtime_.c_str(), 0700);
    const auto bluetooth = folder_ / "config" / "wireplumber" / "bluetooth.lua.d";
    std::filesystem::create_directories(bluetooth);
    std::ofstream(bluetooth / "60-headless.lua") << kBluetoothOff;
    for (const char* home : {"data", "state", "home"})
        std::filesystem::create_directories(folder_ / home);

    const std::map<std::string, std::string> environment = {
        {"XDG_RUNTIME_DIR", runtime_},
        {"PIPEWIRE_RUNTIME_DIR", runtime_},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (runtime_ / "bus").string()},
        {"XDG_CONFIG_HOME", folder_ / "config"},
        {"XDG_DATA_HOME", folder_ / "data"},
        {"XDG_STATE_HOME", folder_ / "state"},
        {"HOME", folder_ / "home"},
    };
    for (const auto& [name, value] : environment) {
        const char* old = std::getenv(name.c_str());
        savedEnvironment_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    // The machine's own session must not leak in.
    for (const char* name : {"PIPEWIRE_REMOTE", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* old = std::getenv(name);
        savedEnvironment_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        ::unsetenv(name);
    }
}

PipeWireDaemons::~PipeWireDaemons() {
    for (const pid_t pid : others_)
        Stop(pid, SIGTERM);
    Stop(wireplumber_, SIGTERM);
    Stop(pipewire_, SIGTERM);
    Stop(bus_, SIGTERM);
    StopOnDemandServices();
    for (const auto& [name, value] : savedEnvironment_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

pid_t PipeWireDaemons::StartProcess(const std::vector<std::string>& arguments) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = (folder_ / "session.log").string();
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> copy = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copy)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        return -1;
    others_.push_back(pid);
    return pid;
}

std::optional<int> PipeWireDaemons::WaitProcess(pid_t pid, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::erase(others_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void PipeWireDaemons::StopProcess(pid_t pid) {
    std::erase(others_, pid);
    Stop(pid, SIGTERM);
}

void PipeWireDaemons::KillAllCameras() {
    for (const pid_t pid : others_)
        Stop(pid, SIGTERM);
    others_.clear();
}

bool PipeWireDaemons::WaitForFile(const std::filesystem::path& path, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool PipeWireDaemons::Start() {
    const std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    bus_ = StartProcess({"dbus-daemon", "--session", "--nofork", "--address=" + address});
    std::erase(others_, bus_);
    if (bus_ < 0 || !WaitForFile(runtime_ / "bus", 5000)) {
        failure_ = "the D-Bus session bus did not start";
        return false;
    }
    return StartPipeWire();
}

bool PipeWireDaemons::StartPipeWire() {
    pipewire_ = StartProcess({"pipewire"});
    std::erase(others_, pipewire_);
    if (pipewire_ < 0 || !WaitForFile(runtime_ / "pipewire-0", 5000)) {
        failure_ = "PipeWire did not start";
        return false;
    }
    // WirePlumber gives up when PipeWire has not finished loading its modules.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    wireplumber_ = StartProcess({"wireplumber"});
    std::erase(others_, wireplumber_);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (wireplumber_ < 0 || ::waitpid(wireplumber_, nullptr, WNOHANG) == wireplumber_) {
        wireplumber_ = -1;
        failure_ = "WirePlumber did not start";
        return false;
    }
    return true;
}

bool PipeWireDaemons::StartPortal(int response) {
#ifdef TARNOLIX_PORTAL_STAND_IN
    if (::access(kPortalProgram, X_OK) != 0) {
        failure_ = std::string(kPortalProgram) + " is not installed";
        return false;
    }
    const auto portals = folder_ / "portals";
    std::filesystem::create_directories(portals);
    std::ofstream(portals / (std::string(kDesktop) + ".portal"))
        << "[portal]\nDBusName=org.freedesktop.impl.portal.desktop." << kDesktop
        << "\nInterfaces=org.freedesktop.impl.portal.Access;\nUseIn=" << kDesktop << "\n";
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"XDG_DESKTOP_PORTAL_DIR", portals},
                                      {"XDG_CURRENT_DESKTOP", kDesktop}}) {
        if (!savedEnvironment_.contains(name)) {
            const char* old = std::getenv(name.c_str());
            savedEnvironment_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    const pid_t standIn = StartProcess({TARNOLIX_PORTAL_STAND_IN, kDesktop, std::to_string(response)});
    if (standIn < 0 || !WaitForName(std::string("org.freedesktop.impl.portal.desktop.") + kDesktop, 5000)) {
        failure_ = "the stand-in Access backend did not start";
        return false;
    }
    const pid_t portal = StartProcess({kPortalProgram, "-r"});
    if (portal < 0 || !WaitForName("org.freedesktop.portal.Desktop", 10000)) {
        failure_ = "xdg-desktop-portal did not start";
        return false;
    }
    return true;
#else
    (void)response;
    failure_ = "the tests were built without libdbus";
    return false;
#endif
}

void PipeWireDaemons::KillPipeWire() {
    Stop(pipewire_, SIGKILL);
    Stop(wireplumber_, SIGKILL);
    pipewire_ = wireplumber_ = -1;
    std::error_code ignored;
    std::filesystem::remove(runtime_ / "pipewire-0", ignored);
    std::filesystem::remove(runtime_ / "pipewire-0.lock", ignored);
}

pid_t PipeWireDaemons::StartCamera(const std::string& name, const std::string& description, uint32_t colour,
                                   int width, int height, int rate) {
    char foreground[16];
    std::snprintf(foreground, sizeof foreground, "0xff%06x", colour & 0xffffffu);
    return StartProcess(
        {"gst-launch-1.0", "-q", "videotestsrc", "is-live=true", "pattern=solid-color",
         std::string("foreground-color=") + foreground, "!",
         "video/x-raw,format=YUY2,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
             ",framerate=" + std::to_string(rate) + "/1",
         "!", "pipewiresink", "mode=provide",
         // gst-launch joins its arguments and parses them again: the value is quoted whole.
         "stream-properties=\"props,media.class=Video/Source,media.role=Camera,node.name=" + name +
             ",node.description=\\\"" + description + "\\\"\""});
}

// The bus starts the permission store and the document portal when asked; they are the
// session's, and go with it. They are found by the bus address in their environment.
void PipeWireDaemons::StopOnDemandServices() {
    const std::string marker = "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (runtime_ / "bus").string();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream environment(entry.path() / "environ", std::ios::binary);
        std::string variable;
        while (std::getline(environment, variable, '\0'))
            if (variable == marker) {
                const pid_t pid = std::stoi(name);
                if (pid != ::getpid())
                    ::kill(pid, SIGTERM);
                break;
            }
    }
    ::umount2((runtime_ / "doc").c_str(), MNT_DETACH);
}

std::string PipeWireDaemons::Log() const {
    std::ifstream log(folder_ / "session.log");
    std::stringstream text;
    text << log.rdbuf();
    return text.str();
}
