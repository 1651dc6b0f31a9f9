#include "app/fileserver_commands.h"

#include <charconv>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/process_options.h"
#include "fileserver/activity_counters.h"
#include "fileserver/file_server.h"
#include "platform/json.h"
#include "platform/strings.h"
#include "views/server_view.h"

namespace velorin {
namespace {

using Args = std::vector<std::string>;

constexpr uint32_t kSpeedLimitTop = 1000;

bool ParseNumber(const std::string& text, uint32_t& value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end && !text.empty();
}

// Sizes come from what visitors announce: past every int64_t, so written unsigned.
std::string Unsigned(uint64_t value) {
    return std::to_string(value);
}

std::string RowJson(size_t number, const ServerTransferRow& row) {
    return CJsonObject()
        .Add("row", static_cast<int64_t>(number))
        .Add("status", row.status)
        .Add("action", row.action)
        .Add("id", row.visitorId)
        .Add("file", row.fileName)
        .Add("progress", row.progress)
        .Add("speed", row.speed)
        .Add("size", row.size)
        .Add("present", row.present)
        .Add("remaining", row.remaining)
        .Add("state", static_cast<int64_t>(row.transferState))
        .AddRaw("sizeBytes", Unsigned(row.fileSize))
        .AddRaw("presentBytes", Unsigned(row.presentBytes))
        .AddRaw("bytesPerSecond", Unsigned(row.bytesPerSecond))
        .Add("remainingSeconds", row.remainingSeconds)
        .Text();
}

// The index of the row that ROW names, or a refusal text.
bool PickRow(CServerView& view, const Args& args, size_t& index, std::string& error) {
    uint32_t number = 0;
    if (args.size() != 2 || !ParseNumber(args[1], number) || number == 0) {
        error = "usage: " + args[0] + " ROW (1 = the first row of `served`)";
        return false;
    }
    view.RedrawTransfers();
    if (number > view.Transfers().size()) {
        error = "no row " + args[1];
        return false;
    }
    index = number - 1;
    return true;
}

}  // namespace

void RegisterFileServerCommands(CControlCommands& commands, CFileServer& server, CServerView& view,
                                CProcessOptions& options, CSettings& settings,
                                const ActivityCounters& counters) {
    commands.Register("visitors", [&server, &view, &counters](const Args&) {
        view.RedrawVisitors();
        std::vector<std::string> names;
        for (const std::string& id : view.Visitors()) names.push_back(JsonQuote(id));
        const CSessionPool& pool = server.Pool();
        return CControlCommands::Done(CJsonObject()
                                          .Add("running", server.Running())
                                          .Add("port", static_cast<int64_t>(server.GetPort()))
                                          .AddRaw("visitors", JsonArray(names))
                                          .Add("browse", counters.browse.load())
                                          .Add("uploads", counters.uploads.load())
                                          .Add("downloads", counters.downloads.load())
                                          .Add("downloadSessions", pool.ActiveDownloads())
                                          .Add("downloadLimit", pool.DownloadLimit())
                                          .Add("uploadSessions", pool.ActiveUploads())
                                          .Add("uploadLimit", pool.UploadLimit())
                                          .Text());
    });
    commands.Register("served", [&view](const Args&) {
        view.Update();
        const std::vector<ServerTransferRow>& rows = view.Transfers();
        std::vector<std::string> items;
        for (size_t i = 0; i < rows.size(); ++i) items.push_back(RowJson(i + 1, rows[i]));
        return CControlCommands::Done(CJsonObject().AddRaw("rows", JsonArray(items)).Text());
    });
    auto rowCommand = [&view](const char* keyword) {
        return [&view, keyword](const Args& args) {
            size_t index = 0;
            std::string error;
            if (!PickRow(view, args, index, error)) return CControlCommands::Refused(error);
            std::optional<std::string> refusal = view.Command(keyword, index);
            return refusal ? CControlCommands::Refused(*refusal) : CControlCommands::Done();
        };
    };
    commands.Register("served-stop", rowCommand(server_view_text::kStop));
    commands.Register("served-remove", rowCommand(server_view_text::kDelete));
    commands.Register("served-clear", [&view](const Args&) {
        view.Command(server_view_text::kDeleteAll, 0);
        return CControlCommands::Done();
    });
    commands.Register("kick", [&view](const Args& args) {
        if (args.size() != 2) return CControlCommands::Refused("usage: kick ID");
        bool listed = false;
        view.RedrawVisitors();
        for (const std::string& id : view.Visitors()) {
            listed = listed || EqualsIgnoreCase(id, args[1]);
        }
        view.Kick(args[1]);
        return CControlCommands::Done(CJsonObject().Add("ok", true).Add("kicked", listed).Text());
    });
    commands.Register("limit", [&options, &settings](const Args& args) {
        uint32_t value = options.LimitSpeed;
        if (args.size() > 2 ||
            (args.size() == 2 && (!ParseNumber(args[1], value) || value > kSpeedLimitTop))) {
            return CControlCommands::Refused("usage: limit [N], N from 0 (none) to 1000");
        }
        if (args.size() == 2) SetSpeedLimit(options, settings, value);
        return CControlCommands::Done(CJsonObject()
                                          .Add("ok", true)
                                          .Add("limit", value)
                                          .Add("label", SpeedLimitLabel(value))
                                          .Text());
    });
}

}  // namespace velorin
