#include "app/link_commands.h"

#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/link.h"
#include "platform/json.h"
#include "views/search_view.h"
#include "views/server_explorer.h"
#include "views/server_list_view.h"
#include "views/server_view.h"
#include "views/transfer_view.h"

namespace velorin {
namespace {

using Args = std::vector<std::string>;

// A row number as velorind shows them, 1 for the first.
std::optional<size_t> RowIndex(const std::string& text) {
    size_t number = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc() || stop != end || number == 0) return std::nullopt;
    return number - 1;
}

ControlAnswer LinkWord(const Args& args) {
    std::optional<uint64_t> size = args.size() == 5 ? ParseLinkSize(args[4]) : std::nullopt;
    if (args.size() != 2 && !size) {
        return CControlCommands::Refused("usage: link ID [VIRDIR NAME SIZE]");
    }
    CLink link =
        size ? CLink(CFileLink{args[1], args[2], args[3], *size}) : CLink(CServerLink{args[1]});
    std::string bare = size ? FileLink(args[1], args[2], args[3], *size) : ServerLink(args[1]);
    // A "*" or "|" in a name, an ID over 20 bytes: the text would name something else.
    if (ParseLink(bare) != link) return CControlCommands::Refused("no link can name that: " + bare);
    std::string html =
        size ? FileLinkHtml(args[1], args[2], args[3], *size) : ServerLinkHtml(args[1]);
    return CControlCommands::Done(
        CJsonObject().Add("ok", true).Add("link", bare).Add("html", html).Text());
}

}  // namespace

ListRowFinder FindListRow(const LinkCopyViews& views) {
    using Copy = std::function<std::optional<LinkTexts>(size_t index, const Args& where)>;
    // The server view's rows wait for posted changes: drawn afresh, as its words draw them.
    std::map<std::string, Copy> lists = {
        {"servers", [&s = views.servers](size_t i, const Args&) { return s.LinkTextsOf(i); }},
        {"explorer", [&e = views.explorer](size_t i, const Args&) { return e.LinkTextsOf(i); }},
        {"transfers",
         [&t = views.transfers](size_t i, const Args& where) {
             if (where.size() == 3) t.Select(where[2]);
             return t.LinkTextsOf(i);
         }},
        {"search", [&s = views.search](size_t i, const Args&) { return s.LinkTextsOf(i); }},
        {"visitors",
         [&v = views.server](size_t i, const Args&) {
             v.RedrawVisitors();
             return v.VisitorLinkTextsOf(i);
         }},
        {"served",
         [&v = views.server](size_t i, const Args&) {
             v.RedrawTransfers();
             return v.TransferLinkTextsOf(i);
         }},
    };
    return [lists = std::move(lists)](const Args& args) {
        Args where(args.begin() + 1, args.end());
        auto list = where.size() >= 2 ? lists.find(where[0]) : lists.end();
        bool member = where.size() == 3 && where[0] == "transfers";
        if (list == lists.end() || (where.size() != 2 && !member)) {
            std::string usage = "usage: " + args[0] + " " + kListRowUsage;
            return ListRow{std::nullopt, where.size() >= 2 && list == lists.end()
                                             ? "no list " + where[0] + "; " + usage
                                             : usage};
        }
        std::optional<size_t> index = RowIndex(where[1]);
        std::optional<LinkTexts> texts = index ? list->second(*index, where) : std::nullopt;
        return ListRow{texts, texts ? "" : "no row " + where[1] + " in " + where[0]};
    };
}

void RegisterLinkCommands(CControlCommands& commands, const LinkCopyViews& views) {
    commands.Register("link", LinkWord);
    commands.Register("link-copy", [rows = FindListRow(views)](const Args& args) {
        ListRow row = rows(args);
        if (!row.texts) return CControlCommands::Refused(row.refusal);
        const LinkTexts& texts = *row.texts;
        return CControlCommands::Done(CJsonObject()
                                          .Add("ok", true)
                                          .Add("server", texts.server)
                                          .Add("server_html", texts.serverHtml)
                                          .Add("file", texts.file)
                                          .Add("file_html", texts.fileHtml)
                                          .Text());
    });
}

}  // namespace velorin
