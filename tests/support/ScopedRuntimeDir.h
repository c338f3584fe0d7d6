#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

// A fresh folder under /tmp that stands as XDG_RUNTIME_DIR while the object lives, so that the
// running-object entries and sockets a test publishes never meet another test's or the user's.
// Removed with everything in it at the end.
class ScopedRuntimeDir {
public:
    explicit ScopedRuntimeDir(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a folder like " + pattern);
        path_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
    }
    ~ScopedRuntimeDir() {
        ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScopedRuntimeDir(const ScopedRuntimeDir&) = delete;
    ScopedRuntimeDir& operator=(const ScopedRuntimeDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};
