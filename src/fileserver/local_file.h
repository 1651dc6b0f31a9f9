#pragma once
// One open regular file of a download or upload. FIFOs, devices and sockets
// are never opened: they are refused before the open and, in case one took a
// file's place meanwhile, checked again on the open descriptor.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velorin {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator<(const FileIdentity& other) const {
        return device != other.device ? device < other.device : inode < other.inode;
    }
};

class CLocalFile {
public:
    CLocalFile() = default;
    ~CLocalFile();
    CLocalFile(CLocalFile&& other) noexcept;
    CLocalFile& operator=(CLocalFile&& other) noexcept;
    CLocalFile(const CLocalFile&) = delete;
    CLocalFile& operator=(const CLocalFile&) = delete;

    // An existing regular file, for reading.
    static std::optional<CLocalFile> OpenForReading(const std::string& path);
    // A regular file for writing, created when missing; its content is kept (the
    // caller cuts it once it knows it may). The last component is never followed.
    static std::optional<CLocalFile> OpenForWriting(const std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    void Close();
    bool Size(uint64_t& size) const;
    FileIdentity Identity() const;
    // Where the open file lies now, whatever path opened it; nothing when unknown.
    std::optional<std::string> RealPath() const;
    bool Seek(uint64_t offset);
    // Bytes read (0 at the end), or -1.
    long Read(char* buffer, size_t size);
    bool WriteAll(const char* data, size_t size);
    bool Truncate();
    // The content on the disk before the file is renamed into place.
    bool Sync();

private:
    explicit CLocalFile(int fd) : fd_(fd) {}
    static std::optional<CLocalFile> Adopt(int fd);

    int fd_ = -1;
};

// The size of an existing regular file; nothing for anything else.
std::optional<uint64_t> RegularFileSize(const std::string& path);

}  // namespace velorin
