#pragma once
// Remote paths ("\" the root, "\Folder" a published folder, "\Folder\rest" a
// place inside it) and their safe way to local paths. A remote path never
// reaches outside the real path of its published folder: "." and ".."
// components, controls and bytes that are not clean CP949 make it invalid;
// a symbolic link that leads out, or anything hidden, is simply not found.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

class CLocalFile;
class CShareDatabase;

enum RemotePathKind : int {
    kRemoteInvalid = 0,
    kRemoteRoot = 1,
    kRemoteFolder = 2,
    kRemoteFolderAndRest = 3,
};

struct RemotePath {
    int kind = kRemoteInvalid;
    std::string folder;  // UTF-8
    std::string rest;    // UTF-8, as it came
    std::vector<std::string>
        components;  // the rest's names ("\" and "/" separate; empty ones collapse)
};

// `wire` is the path's CP949 bytes as a request carried them.
RemotePath SplitRemotePath(std::string_view wire);

// The `Path` of a published folder. A name longer than a folder name can be
// (20 bytes) is not looked up: the store would cut it and find another folder.
bool LookupSharePath(CShareDatabase& db, const std::string& folder, std::string& path);

// `dir` and `name` joined by one "/".
std::string JoinLocalPath(const std::string& dir, std::string_view name);

// Hidden entries (names beginning with ".") are never listed and never served.
bool IsHiddenName(std::string_view name);

// A published folder on disk, by its real path.
class CShareRoot {
public:
    // False when the folder's `Path` does not lead to a folder.
    bool Open(const std::string& sharePath);
    const std::string& RealPath() const { return real_; }

    // The real path of an existing entry, or nothing when it is missing, hidden or outside.
    std::optional<std::string> Resolve(const std::vector<std::string>& components) const;
    // Where a file may be written: an existing entry as Resolve finds it, or a new
    // name in an existing folder inside. Nothing for the folder itself.
    std::optional<std::string> ResolveForWrite(const std::vector<std::string>& components) const;
    // The status of the entry `name` of the folder `dir` (a real path inside). A
    // symbolic link is followed only when it leads to a visible place inside.
    bool StatEntry(const std::string& dir, const char* name, struct stat& st) const;
    // True when the open file lies visibly inside: a folder on the way that was
    // swapped for a link after Resolve cannot lead the open outside.
    bool Holds(const CLocalFile& file) const;

private:
    bool Inside(const std::string& real) const;

    std::string real_;
};

}  // namespace velorin
