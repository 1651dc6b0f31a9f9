#pragma once
// "vel://" links that members paste into web pages, boards and chats: a
// member's server, or one file on it. The texts are written with "vel://"
// and read with the scheme and the kind in any letter case; in the path and
// name of a file link each blank is written as "*".
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velorin {

namespace link_text {
inline constexpr const char* kNeedsServer = "서버를 시작하지 않으면 다운로드요청이 불가능합니다.";
}  // namespace link_text

// CP949 bytes of a member ID, and of a remote path ("\" folder "\" name) on the wire.
inline constexpr size_t kLinkIdBytes = 20;
inline constexpr size_t kLinkPathBytes = 260;

struct CServerLink {
    std::string userId;
    bool operator==(const CServerLink&) const = default;
};

struct CFileLink {
    std::string userId;
    // The virtual folder holding the file, "\"-separated, as the share index names it.
    std::string path;
    std::string name;
    uint64_t size = 0;
    bool operator==(const CFileLink&) const = default;
};

// Alternative 0 a server link, 1 a file link.
using CLink = std::variant<CServerLink, CFileLink>;

std::string ServerLink(const std::string& userId);
// An anchor whose text names the member's server (it ends in a blank).
std::string ServerLinkHtml(const std::string& userId);
std::string FileLink(const std::string& userId, const std::string& path, const std::string& name,
                     uint64_t size);
// An anchor whose text is the file name, blanks kept.
std::string FileLinkHtml(const std::string& userId, const std::string& path,
                         const std::string& name, uint64_t size);

// The four texts the copy commands of a list offer for one entry. The file
// fields are empty when the entry is no file, and also when its name or
// folder could not be written into a link that reads back as the same file
// (a "*", "|" or "\" in the name, a field too long for the wire).
struct LinkTexts {
    std::string server;
    std::string serverHtml;
    std::string file;
    std::string fileHtml;
    // The member the entry belongs to, for the lists' other member commands.
    std::string member;
    bool operator==(const LinkTexts&) const = default;
};

LinkTexts ServerLinkTexts(const std::string& userId);
LinkTexts FileLinkTexts(const std::string& userId, const std::string& path, const std::string& name,
                        uint64_t size);

// A link as a browser hands it over: its percent escapes decoded, and a
// "%7c" that decoding leaves (an escaped escape) read as "|".
std::string UnescapeLink(std::string_view text);

// A size field: decimal digits only, at most the largest signed 64-bit value.
std::optional<uint64_t> ParseLinkSize(std::string_view text);

// Nothing when `text` is no link. Besides the form, a link is refused when
// its size is not a plain number, or when a field would reach the other side
// changed: an ID over 20 bytes, a path and name over 260 bytes together,
// characters that CP949 cannot hold, control characters.
std::optional<CLink> ParseLink(std::string_view text);

}  // namespace velorin
