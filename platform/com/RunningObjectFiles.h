#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The running-object table's entries as other processes see them: one file per registration in
// a private folder, "<pid>-<cookie>.entry", holding the owner's process id on the first line
// and the entry's name (UTF-8) after it, and beside it the registration's viewer socket,
// "<pid>-<cookie>.socket" (a program from before viewers has no socket). The folder is
// $XDG_RUNTIME_DIR/tarnolix/running-objects, or tarnolix-<uid>/running-objects in the system's temporary
// folder when that is not set. The environment is read at every call. Functions here are safe to call from
// any thread.
namespace RunningObjectFiles {

struct Entry {
    pid_t pid = 0;
    std::string name;
    // The viewer socket beside the entry; empty when there is none.
    std::filesystem::path socket;
};

// The folder, created (mode 0700) if needed; nullopt when it cannot be made or is not a folder
// of this user's own.
std::optional<std::filesystem::path> Folder();

// Writes the file of one registration atomically (a temporary file, then a rename), after
// removing the files of processes that have ended. False when it could not be written; the
// registration itself still stands.
bool Publish(uint32_t cookie, const std::string& name);
// Removes the files (entry and socket) of one of this process's registrations.
void Withdraw(uint32_t cookie);

// Where the viewer socket of one of this process's registrations goes; nullopt without a folder.
std::optional<std::filesystem::path> SocketFile(uint32_t cookie);

// Every entry of a process that still exists, ordered by process id and then name. Files of
// processes that have ended (entries and sockets) are removed; files that cannot be read are skipped.
std::vector<Entry> List();

} // namespace RunningObjectFiles
