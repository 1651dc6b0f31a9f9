#include "fileserver/local_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace velorin {

CLocalFile::~CLocalFile() {
    Close();
}

CLocalFile::CLocalFile(CLocalFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

CLocalFile& CLocalFile::operator=(CLocalFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void CLocalFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::optional<CLocalFile> CLocalFile::Adopt(int fd) {
    if (fd < 0) return std::nullopt;
    CLocalFile file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    // Opened without blocking so that a FIFO could not hang the open; reads and
    // writes of a regular file block as usual.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
    return file;
}

std::optional<CLocalFile> CLocalFile::OpenForReading(const std::string& path) {
    if (!RegularFileSize(path)) return std::nullopt;
    return Adopt(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
}

std::optional<CLocalFile> CLocalFile::OpenForWriting(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return std::nullopt;
    return Adopt(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW, 0644));
}

bool CLocalFile::Size(uint64_t& size) const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

FileIdentity CLocalFile::Identity() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return {};
    return {st.st_dev, st.st_ino};
}

std::optional<std::string> CLocalFile::RealPath() const {
    if (fd_ < 0) return std::nullopt;
    std::string link = "/proc/self/fd/" + std::to_string(fd_);
    char target[PATH_MAX];
    ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return std::nullopt;
    return std::string(target, static_cast<size_t>(n));
}

bool CLocalFile::Seek(uint64_t offset) {
    if (fd_ < 0 || offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

long CLocalFile::Read(char* buffer, size_t size) {
    if (fd_ < 0) return -1;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) return -1;
    }
}

bool CLocalFile::WriteAll(const char* data, size_t size) {
    if (fd_ < 0) return false;
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CLocalFile::Truncate() {
    return fd_ >= 0 && ::ftruncate(fd_, 0) == 0 && ::lseek(fd_, 0, SEEK_SET) == 0;
}

bool CLocalFile::Sync() {
    return fd_ >= 0 && ::fdatasync(fd_) == 0;
}

std::optional<uint64_t> RegularFileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

}  // namespace velorin
