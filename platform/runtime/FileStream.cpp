#include "platform/runtime/FileStream.h"

#include "platform/runtime/StandardErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) {
    if (mode == TFileMode::fmCreate) {
        // Truncate only once the exclusive lock is held, so a file in use is left whole.
        // (Devices such as /dev/full cannot be truncated and need not be.)
        fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        struct stat info {};
        if (fd_ < 0 || ::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode) ||
            ::flock(fd_, LOCK_EX | LOCK_NB) != 0 || (S_ISREG(info.st_mode) && ::ftruncate(fd_, 0) != 0)) {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = -1;
            RaiseCreateFileError(fileName);
        }
    } else {
        fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd_ < 0 || ::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode) ||
            ::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = -1;
            RaiseOpenFileError(fileName);
        }
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0)
        ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::write(fd_, static_cast<const char*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a full disk or another failure: the caller sees a short count
        done += n;
    }
    return done;
}

int64_t TFileStream::Size() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? info.st_size : 0;
}

int64_t TFileStream::Position() const {
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    return position < 0 ? 0 : position;
}

void TFileStream::SetPosition(int64_t position) {
    ::lseek(fd_, position, SEEK_SET);
}
