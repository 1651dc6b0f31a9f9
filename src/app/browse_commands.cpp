#include "app/browse_commands.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "platform/json.h"
#include "platform/strings.h"
#include "transfer/server_explorer.h"

namespace velorin {
namespace {

using Args = std::vector<std::string>;
using namespace std::chrono_literals;

// Connecting takes up to 5 s; a sign-on or a listing that takes longer is not coming.
constexpr std::chrono::seconds kPatience(15);

class CWaiter {
public:
    CWaiter(CServerExplorer& explorer, CMessageQueue& queue) : explorer_(explorer), queue_(queue) {}

    // Browsing `id` signed on; a new session starts at `startPath`.
    ExplorerResult Reach(const std::string& id, const std::string& startPath) {
        if (explorer_.SignedOn() && EqualsIgnoreCase(explorer_.BrowsedId(), id)) return std::nullopt;
        uint64_t before = explorer_.Sessions();
        if (ExplorerResult refused = explorer_.Connect(id, startPath)) return refused;
        bool decided = Wait([&] {
            return explorer_.Sessions() > before && (explorer_.SignedOn() || !explorer_.Connected());
        });
        if (!decided) return "no answer from the server of " + id;
        return Ended();
    }

    // Everything asked so far has been answered and taken in by the explorer.
    ExplorerResult Sync() {
        uint64_t ticket = explorer_.RequestSync();
        if (ticket == 0) return Ended().value_or(explorer_text::kNotQueued);
        if (!Wait([&] { return explorer_.InfoAnswered() >= ticket || !explorer_.SignedOn(); })) {
            return std::string("no answer from the server");
        }
        return Ended();
    }

private:
    template <typename Done>
    bool Wait(Done done) {
        auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            queue_.DispatchOne(explorer_.Handle(), 20ms);
        }
        return true;
    }

    ExplorerResult Ended() const {
        if (explorer_.SignedOn()) return std::nullopt;
        std::string line = explorer_.SessionLine();
        return line.empty() ? std::string(explorer_text::kNoServer) : line;
    }

    CServerExplorer& explorer_;
    CMessageQueue& queue_;
};

std::string RowJson(const ExplorerRow& row) {
    CJsonObject json;
    switch (row.kind) {
        case ExplorerRow::kShare:
            json.Add("kind", "share").Add("name", row.name).Add("description", row.second);
            json.Add("rights", static_cast<int>(row.rights)).Add("rightsText", row.third);
            break;
        case ExplorerRow::kFolder:
            json.Add("kind", "folder").Add("name", row.name).Add("type", row.second);
            break;
        case ExplorerRow::kFile:
            json.Add("kind", "file").Add("name", row.name).Add("type", row.second);
            json.Add("size", static_cast<int64_t>(row.size)).Add("sizeText", row.third);
            break;
    }
    return json.Text();
}

std::string ListingJson(const CServerExplorer& explorer) {
    std::vector<std::string> columns;
    for (const std::string& column : explorer.Columns()) columns.push_back(JsonQuote(column));
    std::vector<std::string> rows;
    for (const ExplorerRow& row : explorer.Rows()) rows.push_back(RowJson(row));
    return CJsonObject()
        .Add("ok", true)
        .Add("id", explorer.BrowsedId())
        .Add("path", explorer.CurrentPath())
        .AddRaw("columns", JsonArray(columns))
        .AddRaw("rows", JsonArray(rows))
        .Add("status", explorer.StatusText())
        .Add("notice", explorer.Notice())
        .Text();
}

ControlAnswer Browse(CServerExplorer& explorer, CMessageQueue& queue, const Args& args) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2].rfind('\\', 0) != 0)) {
        return CControlCommands::Refused("usage: browse ID [PATH], PATH beginning with \\");
    }
    std::string path = args.size() == 3 ? args[2] : "\\";
    CWaiter waiter(explorer, queue);
    bool running = explorer.SignedOn() && EqualsIgnoreCase(explorer.BrowsedId(), args[1]);
    ExplorerResult refused = running ? explorer.OpenPath(path) : waiter.Reach(args[1], path);
    if (!refused) refused = waiter.Sync();
    if (refused) return CControlCommands::Refused(*refused);
    return CControlCommands::Done(ListingJson(explorer));
}

ControlAnswer DownloadFolder(CServerExplorer& explorer, CMessageQueue& queue, const Args& args) {
    if (args.size() != 4) {
        return CControlCommands::Refused("usage: download-folder ID PATH LOCALNAME");
    }
    const std::string& path = args[2];
    CWaiter waiter(explorer, queue);
    // The rights of the shared folders come with the root listing, which a new session opens.
    ExplorerResult refused = waiter.Reach(args[1], "\\");
    if (!refused) refused = waiter.Sync();
    if (!refused) refused = explorer.DownloadFolder(path);
    if (!refused) refused = waiter.Sync();
    if (refused) return CControlCommands::Refused(*refused);
    if (!explorer.Offer() || explorer.Offer()->remotePath != path) {
        return CControlCommands::Refused("the server gave no summary of " + path);
    }
    FolderDownloadOffer offer = *explorer.Offer();
    uint64_t before = explorer.FolderFilesReserved();
    refused = explorer.ConfirmFolderDownload(path, args[3]);
    if (!refused) refused = waiter.Sync();
    if (refused) return CControlCommands::Refused(*refused);
    return CControlCommands::Done(
        CJsonObject()
            .Add("ok", true)
            .Add("path", path)
            .Add("localName", args[3])
            .Add("files", offer.files)
            .Add("folders", offer.folders)
            .Add("size", offer.sizeText)
            .Add("reserved", static_cast<int64_t>(explorer.FolderFilesReserved() - before))
            .Text());
}

}  // namespace

void RegisterBrowseCommands(CControlCommands& commands, CServerExplorer& explorer,
                            CMessageQueue& queue) {
    commands.Register("browse", [&explorer, &queue](const Args& args) {
        return Browse(explorer, queue, args);
    });
    commands.Register("download-folder", [&explorer, &queue](const Args& args) {
        return DownloadFolder(explorer, queue, args);
    });
    commands.Register("history", [&explorer](const Args&) {
        std::vector<std::string> ids;
        for (const std::string& id : explorer.History()) ids.push_back(JsonQuote(id));
        return CControlCommands::Done(CJsonObject().AddRaw("history", JsonArray(ids)).Text());
    });
    commands.Register("history-clear", [&explorer](const Args&) {
        explorer.ClearHistory();
        return CControlCommands::Done();
    });
}

}  // namespace velorin
