#include "platform/com/RunningObjectFiles.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace RunningObjectFiles {

namespace {

constexpr const char* kSuffix = ".entry";
constexpr const char* kSocketSuffix = ".socket";

// Creates one level of the folder and checks that it is a real folder of ours: in a shared
// temporary folder another user could have made the name first. A folder of ours that others
// may enter is closed to them again.
bool MakePrivateFolder(const fs::path& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    return (info.st_mode & 0077) == 0 || ::chmod(path.c_str(), 0700) == 0;
}

fs::path EntryFile(const fs::path& folder, pid_t pid, uint32_t cookie, const char* suffix = kSuffix) {
    return folder / (std::to_string(pid) + "-" + std::to_string(cookie) + suffix);
}

// The process id at the start of a file name "<pid>-..."; 0 when there is none.
pid_t PidOfName(const std::string& name) {
    pid_t pid = 0;
    size_t i = 0;
    for (; i < name.size() && i < 10 && name[i] >= '0' && name[i] <= '9'; ++i)
        pid = pid * 10 + (name[i] - '0');
    return i > 0 && i < name.size() && name[i] == '-' ? pid : 0;
}

bool ProcessExists(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

std::optional<Entry> ReadEntry(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string pidLine;
    if (!std::getline(in, pidLine) || pidLine.empty() || pidLine.size() > 10 ||
        !std::all_of(pidLine.begin(), pidLine.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::ostringstream rest;
    rest << in.rdbuf();
    Entry entry;
    entry.pid = static_cast<pid_t>(std::stoll(pidLine));
    entry.name = rest.str();
    return entry;
}

} // namespace

std::optional<fs::path> Folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    fs::path base;
    std::error_code error;
    if (runtime && runtime[0] == '/') {
        base = fs::path(runtime) / "tarnolix";
    } else {
        base = fs::temp_directory_path(error);
        if (error)
            return std::nullopt;
        base /= "tarnolix-" + std::to_string(::getuid());
    }
    if (!MakePrivateFolder(base) || !MakePrivateFolder(base / "running-objects"))
        return std::nullopt;
    return base / "running-objects";
}

bool Publish(uint32_t cookie, const std::string& name) {
    const auto folder = Folder();
    if (!folder)
        return false;
    List(); // removes what ended processes left behind
    const pid_t pid = ::getpid();
    const fs::path target = EntryFile(*folder, pid, cookie);
    fs::path temporary = target;
    temporary.replace_extension(".tmp");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << pid << '\n' << name;
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

void Withdraw(uint32_t cookie) {
    const auto folder = Folder();
    if (!folder)
        return;
    std::error_code ignored;
    fs::remove(EntryFile(*folder, ::getpid(), cookie), ignored);
    fs::remove(EntryFile(*folder, ::getpid(), cookie, kSocketSuffix), ignored);
}

std::optional<fs::path> SocketFile(uint32_t cookie) {
    const auto folder = Folder();
    if (!folder)
        return std::nullopt;
    return EntryFile(*folder, ::getpid(), cookie, kSocketSuffix);
}

std::vector<Entry> List() {
    std::vector<Entry> entries;
    const auto folder = Folder();
    if (!folder)
        return entries;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(*folder, error)) {
        const fs::path& file = item.path();
        std::error_code ignored;
        fs::path socket = file;
        socket.replace_extension(kSocketSuffix);
        if (file.extension() == kSocketSuffix) {
            // A socket whose process has ended (its entry may be gone already).
            const pid_t pid = PidOfName(file.filename().string());
            if (pid > 0 && !ProcessExists(pid))
                fs::remove(file, ignored);
            continue;
        }
        if (file.extension() != kSuffix)
            continue;
        auto entry = ReadEntry(file);
        if (!entry)
            continue;
        if (!ProcessExists(entry->pid)) {
            fs::remove(file, ignored);
            fs::remove(socket, ignored);
            continue;
        }
        if (fs::is_socket(fs::symlink_status(socket, ignored)))
            entry->socket = socket;
        entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.pid != b.pid ? a.pid < b.pid : a.name < b.name;
    });
    return entries;
}

} // namespace RunningObjectFiles
