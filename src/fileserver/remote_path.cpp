#include "fileserver/remote_path.h"

#include <cstdlib>
#include <memory>

#include "data/share_database.h"
#include "fileserver/local_file.h"
#include "fileserver/peer_messages.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Bytes that CP949 decodes and encodes back unchanged, without any control.
bool IsCleanCp949(std::string_view wire) {
    for (char c : wire) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return Utf8ToCp949(Cp949ToUtf8(wire)) == wire;
}

std::optional<std::string> RealPathOf(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real) return std::nullopt;
    return std::string(real.get());
}

}  // namespace

std::string JoinLocalPath(const std::string& dir, std::string_view name) {
    std::string out = dir;
    if (out.empty() || out.back() != '/') out.push_back('/');
    out.append(name);
    return out;
}

bool LookupSharePath(CShareDatabase& db, const std::string& folder, std::string& path) {
    return Cp949Length(folder) <= 20 && db.GetSharePath(folder, path);
}

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

RemotePath SplitRemotePath(std::string_view wire) {
    RemotePath out;
    if (wire.empty() || wire.front() != '\\') return out;
    if (wire == "\\") {
        out.kind = kRemoteRoot;
        return out;
    }
    if (wire.size() > kRemotePathLimit || !IsCleanCp949(wire)) return out;
    // Decoded first: every check below sees the text the file system will see.
    std::string text = Cp949ToUtf8(wire);
    size_t end = text.find('\\', 1);
    if (end == std::string::npos) {
        out.folder = text.substr(1);
        out.kind = kRemoteFolder;
        return out;
    }
    std::string folder = text.substr(1, end - 1);
    std::string rest = text.substr(end + 1);
    if (rest.empty() || IsSeparator(rest.back())) return out;
    std::vector<std::string> components;
    size_t start = 0;
    for (size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !IsSeparator(rest[i])) continue;
        std::string name = rest.substr(start, i - start);
        start = i + 1;
        if (name.empty()) continue;
        if (name == "." || name == "..") return out;
        components.push_back(std::move(name));
    }
    out.kind = kRemoteFolderAndRest;
    out.folder = std::move(folder);
    out.rest = std::move(rest);
    out.components = std::move(components);
    return out;
}

bool CShareRoot::Open(const std::string& sharePath) {
    real_.clear();
    if (sharePath.empty()) return false;
    std::optional<std::string> real = RealPathOf(sharePath);
    struct stat st {};
    if (!real || ::stat(real->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    real_ = *real;
    return true;
}

bool CShareRoot::Inside(const std::string& real) const {
    if (real_.empty() || real.compare(0, real_.size(), real_) != 0) return false;
    if (real.size() == real_.size()) return true;
    std::string_view below(real);
    if (real_.back() == '/') {
        below.remove_prefix(real_.size());
    } else {
        if (real[real_.size()] != '/') return false;
        below.remove_prefix(real_.size() + 1);
    }
    // A link inside may still lead to a hidden place inside.
    size_t start = 0;
    while (start < below.size()) {
        size_t slash = below.find('/', start);
        if (slash == std::string_view::npos) slash = below.size();
        if (IsHiddenName(below.substr(start, slash - start))) return false;
        start = slash + 1;
    }
    return true;
}

std::optional<std::string> CShareRoot::Resolve(const std::vector<std::string>& components) const {
    if (real_.empty()) return std::nullopt;
    std::string path = real_;
    for (const std::string& name : components) {
        if (name.empty() || IsHiddenName(name) || name.find('/') != std::string::npos) {
            return std::nullopt;
        }
        path = JoinLocalPath(path, name);
    }
    std::optional<std::string> real = RealPathOf(path);
    if (!real || !Inside(*real)) return std::nullopt;
    return real;
}

std::optional<std::string> CShareRoot::ResolveForWrite(
    const std::vector<std::string>& components) const {
    if (components.empty()) return std::nullopt;
    const std::string& name = components.back();
    if (name.empty() || IsHiddenName(name) || name.find('/') != std::string::npos) {
        return std::nullopt;
    }
    std::optional<std::string> parent =
        Resolve(std::vector<std::string>(components.begin(), components.end() - 1));
    struct stat st {};
    if (!parent || ::stat(parent->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    std::string path = JoinLocalPath(*parent, name);
    if (::lstat(path.c_str(), &st) == 0) return Resolve(components);
    // A new name; the file is opened without following links, so nothing can
    // appear in its place that leads out.
    return path;
}

bool CShareRoot::StatEntry(const std::string& dir, const char* name, struct stat& st) const {
    std::string path = JoinLocalPath(dir, name);
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (!S_ISLNK(st.st_mode)) return true;
    std::optional<std::string> real = RealPathOf(path);
    return real && Inside(*real) && ::stat(real->c_str(), &st) == 0;
}

bool CShareRoot::Holds(const CLocalFile& file) const {
    std::optional<std::string> real = file.RealPath();
    return real && Inside(*real);
}

}  // namespace velorin
