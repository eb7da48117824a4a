// Plain file access on POSIX systems (Linux, the simulated desktop, the
// tools): open, read, write, close, the read-only test, replace and remove.
// POSIX has no share modes, so files are opened without any; other
// processes may read and write them meanwhile.
#include "platform/common/raw_file.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::raw {
namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

int Descriptor(FileId file) { return static_cast<int>(file); }

// Root may write anything, so the permission bits decide on their own
// instead of access(W_OK).
bool IsReadOnlyRegularFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && (info.st_mode & kAnyWriteBit) == 0;
}

}  // namespace

FileId FileOpenRead(const std::string& name) {
    int fd;
    do {
        fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kNoFile;
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return kNoFile;
    }
    return fd;
}

FileId FileOpenOrCreate(const std::string& name) {
    if (FileIsReadOnly(name)) return kNoFile;
    int fd;
    do {
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kNoFile;
    return fd;
}

long FileRead(FileId file, void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(Descriptor(file), bytes + done, size - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? static_cast<long>(done) : -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

long FileWrite(FileId file, const void* buffer, std::size_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t put = ::write(Descriptor(file), bytes + done, size - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += static_cast<std::size_t>(put);
    }
    return static_cast<long>(done);
}

bool FileCloseRaw(FileId file) {
    if (file == kNoFile) return false;
    // Linux releases the descriptor even when close reports EINTR; never retry.
    return ::close(Descriptor(file)) == 0;
}

bool FileIsReadOnly(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && IsReadOnlyRegularFile(info);
}

bool FileReplace(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool FileRemove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace platform::raw
