#include "app/transfer_commands.h"

#include <charconv>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "platform/json.h"
#include "transfer/transfer_manager.h"
#include "views/server_explorer.h"
#include "views/transfer_view.h"

namespace velorin {
namespace {

using Args = std::vector<std::string>;

bool ParseSize(const std::string& text, uint64_t& value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end && !text.empty();
}

std::string EntryJson(const TransferSnapshot& entry) {
    return CJsonObject()
        .Add("id", entry.userId)
        .Add("name", entry.fileName)
        .Add("folder", entry.virDirName)
        .Add("mode", entry.mode == kModeDownload ? "DN" : "UP")
        .Add("state", static_cast<int>(entry.state))
        .Add("stateText", TransferStateText(entry.state))
        .Add("message", entry.message)
        .Add("size", static_cast<int64_t>(entry.fileSize))
        .Add("offset", static_cast<int64_t>(entry.resumeOffset))
        .Add("moved", static_cast<int64_t>(entry.movedBytes))
        .Text();
}

ControlAnswer Reserved(const TransferRefusal& refusal) {
    if (refusal) return CControlCommands::Refused(*refusal);
    return CControlCommands::Done(CJsonObject().Add("ok", true).Add("reserved", true).Text());
}

// The entry NAME of member ID must exist before a command acts on it.
bool Named(CTransferManager& transfers, const Args& args, std::string& error) {
    if (args.size() != 3) {
        error = "usage: " + args[0] + " ID NAME";
        return false;
    }
    for (const TransferSnapshot& entry : transfers.Snapshot(args[1])) {
        if (entry.fileName == args[2]) return true;
    }
    error = "no entry " + args[2] + " of " + args[1];
    return false;
}

ControlAnswer Changed(CTransferManager& transfers, const Args& args, int count) {
    CJsonObject answer;
    answer.Add("ok", true).Add("changed", count);
    for (const TransferSnapshot& entry : transfers.Snapshot(args[1])) {
        if (entry.fileName == args[2]) answer.AddRaw("entry", EntryJson(entry));
    }
    return CControlCommands::Done(answer.Text());
}

}  // namespace

void RegisterTransferCommands(CControlCommands& commands, CTransferManager& transfers,
                              CTransferView& view, CServerExplorer& explorer) {
    commands.Register("download", [&explorer](const Args& args) {
        uint64_t size = 0;
        if (args.size() != 5 || !ParseSize(args[4], size)) {
            return CControlCommands::Refused("usage: download ID VIRDIR NAME SIZE");
        }
        return Reserved(explorer.ReserveRemoteFile(args[1], args[2], args[3], size));
    });
    commands.Register("upload", [&explorer](const Args& args) {
        if (args.size() != 4) return CControlCommands::Refused("usage: upload ID VIRDIR LOCALPATH");
        return Reserved(explorer.ReserveLocalUpload(args[1], args[2], args[3]));
    });
    commands.Register("transfers", [&](const Args& args) {
        if (args.size() > 2) return CControlCommands::Refused("usage: transfers [ID]");
        std::vector<std::string> members;
        for (const std::string& member : transfers.Members()) members.push_back(JsonQuote(member));
        std::vector<std::string> entries;
        for (const TransferSnapshot& entry : transfers.Snapshot(args.size() == 2 ? args[1] : "")) {
            entries.push_back(EntryJson(entry));
        }
        return CControlCommands::Done(
            CJsonObject()
                .Add("ok", true)
                .AddRaw("members", JsonArray(members))
                .AddRaw("entries", JsonArray(entries))
                .Add("downloadSpeed", static_cast<int64_t>(view.DownloadBytesPerSecond()))
                .Add("uploadSpeed", static_cast<int64_t>(view.UploadBytesPerSecond()))
                .Text());
    });
    auto entryCommand = [&](auto operation) {
        return [&transfers, operation](const Args& args) {
            std::string error;
            if (!Named(transfers, args, error)) return CControlCommands::Refused(error);
            return Changed(transfers, args, operation(args[1], std::vector<std::string>{args[2]}));
        };
    };
    commands.Register("stop", entryCommand([&](const std::string& id, const Args& names) {
                          return transfers.StopEntries(id, names);
                      }));
    commands.Register("restart", entryCommand([&](const std::string& id, const Args& names) {
                          return transfers.RestartEntries(id, names);
                      }));
    commands.Register("remove", entryCommand([&](const std::string& id, const Args& names) {
                          return transfers.DeleteEntries(id, names, false);
                      }));
    commands.Register("remove-with-file",
                      entryCommand([&](const std::string& id, const Args& names) {
                          return transfers.DeleteEntries(id, names, true);
                      }));
    commands.Register("clear-completed", [&](const Args& args) {
        if (args.size() > 2) return CControlCommands::Refused("usage: clear-completed [ID]");
        int removed =
            args.size() == 2 ? transfers.DeleteCompleted(args[1]) : transfers.DeleteAllCompleted();
        return CControlCommands::Done(CJsonObject().Add("ok", true).Add("removed", removed).Text());
    });
}

}  // namespace velorin
