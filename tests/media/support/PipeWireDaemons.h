#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// A private PipeWire session for a test: a D-Bus session bus, PipeWire and WirePlumber started
// in a fresh folder under /tmp that holds the runtime folder (mode 0700) and the configuration,
// data and state homes, so that nothing touches the machine's own session or the home folder.
// The test process's environment points there while the object lives (XDG_RUNTIME_DIR,
// PIPEWIRE_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, XDG_*_HOME, HOME), so the program's own
// PipeWire client and every helper started meanwhile talk to these daemons. Every process is
// stopped by its id at the end, those the bus started on demand included.
class PipeWireDaemons {
public:
    // The first program the session needs that is not installed, for the skip message; empty
    // when all are there.
    static std::string Missing();

    PipeWireDaemons();
    ~PipeWireDaemons();
    PipeWireDaemons(const PipeWireDaemons&) = delete;
    PipeWireDaemons& operator=(const PipeWireDaemons&) = delete;

    // Starts the bus, PipeWire, then WirePlumber once PipeWire's socket is there; false with
    // the reason in Failure() when one of them does not come up.
    bool Start();
    // PipeWire and WirePlumber killed at once (SIGKILL), as a crash leaves them; the bus stays.
    void KillPipeWire();
    // PipeWire and WirePlumber started again after KillPipeWire.
    bool StartPipeWire();

    // The Camera portal: xdg-desktop-portal with a stand-in Access backend that answers every
    // dialog with `response` (0 grants, 1 refuses), started after PipeWire. False with the reason
    // in Failure() when it is not there or does not come up. The answer is stored in the
    // permission store under the session's own XDG_DATA_HOME, empty at first.
    bool StartPortal(int response);

    // A camera node: GStreamer's test source in a solid colour (0xRRGGBB), served by
    // pipewiresink as a Video/Source with media.role=Camera and the name and description
    // given, in YUY2 at the size and rate given. It serves its first reader only. Returns its
    // process id, for StopProcess.
    pid_t StartCamera(const std::string& name, const std::string& description, uint32_t colour,
                      int width = 320, int height = 240, int rate = 30);
    // Any other program in the session (a second reader), its output in the session's log.
    pid_t StartProcess(const std::vector<std::string>& arguments);
    // The exit status of a process started here once it ends by itself, reaped; nullopt when it
    // still runs after `milliseconds` (it is then left running).
    std::optional<int> WaitProcess(pid_t pid, int milliseconds);
    // Ends a process started here (SIGTERM, then SIGKILL after 3 s) and reaps it.
    void StopProcess(pid_t pid);
    // Ends every camera and other program started here.
    void KillAllCameras();

    const std::filesystem::path& Folder() const { return folder_; }
    const std::filesystem::path& RuntimeFolder() const { return runtime_; }
    const std::string& Failure() const { return failure_; }
    // What the daemons and helpers wrote, for a failing test's message.
    std::string Log() const;

private:
    bool WaitForFile(const std::filesystem::path& path, int milliseconds);
    void StopOnDemandServices();

    std::filesystem::path folder_;
    std::filesystem::path runtime_;
    std::map<std::string, std::optional<std::string>> savedEnvironment_;
    pid_t bus_ = -1;
    pid_t pipewire_ = -1;
    pid_t wireplumber_ = -1;
    std::vector<pid_t> others_;
    std::string failure_;
};
