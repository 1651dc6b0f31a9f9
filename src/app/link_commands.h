#pragma once
// The velorind words that stand in for the copy commands of the lists:
//   link ID                     the server link of member ID
//   link ID VIRDIR NAME SIZE    the file link of NAME in the folder VIRDIR
// Answer: {"ok": true, "link": BARE, "html": ANCHOR}; refused when the text
// would not read back as the same link (an ID over 20 bytes, a size that is
// no number ...).
//   link-copy LIST ROW [ID]     the copy commands on row ROW (1 = first) of a
//                               list: "servers" (the server list page as its
//                               channel, category and filter choose), "explorer"
//                               (the browsed folder), "transfers" (the entries
//                               of the member the transfer page shows, or of ID),
//                               "search", "visitors", "served" (the rows of the
//                               words of those names)
// Answer: {"ok": true, "server", "server_html", "file", "file_html"}, the file
// fields empty for a row that is no file; refused for an unknown list or row.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/link.h"

namespace velorin {

class CControlCommands;
class CSearchView;
class CServerExplorer;
class CServerListView;
class CServerView;
class CTransferView;

// The lists whose rows can be copied as links.
struct LinkCopyViews {
    CServerListView& servers;
    CServerExplorer& explorer;
    CTransferView& transfers;
    CSearchView& search;
    CServerView& server;
};

// One row of one of those lists, for a word whose arguments are LIST ROW [ID].
struct ListRow {
    std::optional<LinkTexts> texts;
    std::string refusal;  // when there is no such row
};
using ListRowFinder = std::function<ListRow(const std::vector<std::string>& args)>;
ListRowFinder FindListRow(const LinkCopyViews& views);
inline constexpr const char* kListRowUsage =
    "servers|explorer|transfers|search|visitors|served ROW [ID]";

void RegisterLinkCommands(CControlCommands& commands, const LinkCopyViews& views);

}  // namespace velorin
