#include "data/link.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <limits>
#include <vector>

#include "platform/strings.h"
#include "platform/text_encoding.h"
#include "platform/text_routines.h"

namespace velorin {
namespace {

// A file link has the most fields: scheme, kind, ID, path, name, size.
constexpr size_t kMostFields = 6;

std::string Replace(std::string text, char from, char to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

// Text that reaches the other side exactly as it stands here.
bool Faithful(std::string_view text) {
    return IsOneLine(text) && FitsCp949(text);
}

std::optional<CLink> FileLinkOf(const std::vector<std::string_view>& fields) {
    CFileLink link{std::string(fields[2]), Replace(std::string(fields[3]), '*', ' '),
                   Replace(std::string(fields[4]), '*', ' '), 0};
    std::optional<uint64_t> size = ParseLinkSize(fields[5]);
    // The request names the file as path "\" name; anything longer would be cut to another file.
    if (!size || !Faithful(link.path) || !Faithful(link.name) ||
        Cp949Length(link.path) + 1 + Cp949Length(link.name) > kLinkPathBytes) {
        return std::nullopt;
    }
    link.size = *size;
    return link;
}

}  // namespace

std::string ServerLink(const std::string& userId) {
    return "vel://|server|" + userId + "|/";
}

std::string ServerLinkHtml(const std::string& userId) {
    return "<A HREF=" + ServerLink(userId) + ">" + userId + "의 서버</A> ";
}

std::string FileLink(const std::string& userId, const std::string& path, const std::string& name,
                     uint64_t size) {
    return Format("vel://|file|%s|%s|%s|%" PRIu64 "|/", userId.c_str(),
                  Replace(path, ' ', '*').c_str(), Replace(name, ' ', '*').c_str(), size);
}

std::string FileLinkHtml(const std::string& userId, const std::string& path,
                         const std::string& name, uint64_t size) {
    return "<A HREF=" + FileLink(userId, path, name, size) + ">" + name + "</A>";
}

LinkTexts ServerLinkTexts(const std::string& userId) {
    return LinkTexts{ServerLink(userId), ServerLinkHtml(userId), {}, {}, userId};
}

LinkTexts FileLinkTexts(const std::string& userId, const std::string& path, const std::string& name,
                        uint64_t size) {
    LinkTexts texts = ServerLinkTexts(userId);
    std::string file = FileLink(userId, path, name, size);
    // A link that named another file, or none, would be worse than no link; a
    // "\" in a name (possible on this side) would be read as a folder.
    if (name.find('\\') == std::string::npos &&
        ParseLink(file) == CLink(CFileLink{userId, path, name, size})) {
        texts.file = std::move(file);
        texts.fileHtml = FileLinkHtml(userId, path, name, size);
    }
    return texts;
}

std::string UnescapeLink(std::string_view text) {
    std::string out = UrlDecode(text);
    // An escaped escape ("%257C") leaves "%7C" or "%7c", depending on the browser.
    std::string lower = LowerAscii(out);
    std::string bars;
    size_t from = 0;
    for (size_t at; (at = lower.find("%7c", from)) != std::string::npos; from = at + 3) {
        bars.append(out, from, at - from).push_back('|');
    }
    return bars.append(out, from);
}

std::optional<uint64_t> ParseLinkSize(std::string_view text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end ||
        value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return std::nullopt;
    }
    return value;
}

std::optional<CLink> ParseLink(std::string_view text) {
    // The fields are the pieces before each "|"; what follows the last one ("/") is none.
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t bar; (bar = text.find('|', start)) != std::string_view::npos; start = bar + 1) {
        // Cut at most six times: a text with a seventh field is no link of either kind.
        if (fields.size() == kMostFields) return std::nullopt;
        fields.push_back(text.substr(start, bar - start));
    }
    if (fields.size() < 3 || fields[0].empty() || fields[1].empty() || fields[2].empty()) {
        return std::nullopt;
    }
    std::string_view id = fields[2];
    if (!EqualsIgnoreCase(fields[0], "VEL://") || !Faithful(id) || Cp949Length(id) > kLinkIdBytes) {
        return std::nullopt;
    }
    if (EqualsIgnoreCase(fields[1], "FILE") && fields.size() == 6) return FileLinkOf(fields);
    if (EqualsIgnoreCase(fields[1], "SERVER") && fields.size() == 3) {
        return CServerLink{std::string(id)};
    }
    return std::nullopt;
}

}  // namespace velorin
