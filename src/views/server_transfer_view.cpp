#include "views/server_transfer_view.h"

#include <cinttypes>
#include <cstdlib>

#include "data/process_options.h"
#include "data/settings.h"
#include "platform/strings.h"
#include "platform/text_format.h"

namespace velorin {
namespace {

struct RowKey {
    std::string visitorId;
    std::string fileName;
    uint64_t fileSize = 0;
    uint32_t kind = 0;
};

// The key a command rebuilds from the row's texts.
RowKey KeyFromRow(const ServerTransferRow& row) {
    RowKey key;
    key.kind = row.action.compare("DN") > 0 ? kServerKindDownload : kServerKindUpload;
    key.visitorId = row.visitorId;
    key.fileName = row.fileName;
    std::string digits;
    for (char c : row.size) {
        if (c != ',') digits.push_back(c);
    }
    key.fileSize = std::strtoull(digits.c_str(), nullptr, 10);
    return key;
}

std::optional<ServerTransfer> FindRow(const CServerTransferList& list,
                                      const ServerTransferRow& row) {
    RowKey key = KeyFromRow(row);
    return list.Find(key.visitorId, key.fileName, key.fileSize, key.kind);
}

std::string Progress(const ServerTransfer& r) {
    if (r.fileSize == 0) return "100 %";
    double done = static_cast<double>(r.startOffset + r.moved) / static_cast<double>(r.fileSize);
    return Format("%3.0f %%", done * 100.0);
}

// KiB per second over `span` seconds; a negative span counts as no speed.
double Speed(uint64_t moved, int64_t span) {
    if (span <= 0) return 0.0;
    return static_cast<double>(moved) / 1024.0 / static_cast<double>(span);
}

std::string SpeedText(uint64_t moved, int64_t span) {
    if (span == 0) return "0k";
    return Format("%.1fk", Speed(moved, span));
}

int64_t Span(uint32_t from, uint32_t to) {
    return static_cast<int64_t>(to) - static_cast<int64_t>(from);
}

uint64_t BytesPerSecond(uint64_t moved, int64_t span) {
    return span > 0 ? moved / static_cast<uint64_t>(span) : 0;
}

}  // namespace

ServerTransferRow MakeServerTransferRow(const ServerTransfer& r) {
    ServerTransferRow row;
    row.status = TransferStateText(r.state);
    row.action = r.kind == kServerKindDownload ? "UP" : "DN";
    row.visitorId = r.visitorId;
    row.fileName = r.fileName;
    row.progress = Progress(r);
    row.speed = SpeedText(r.moved, Span(r.startTime, r.lastDisplayTime));
    row.size = WithThousands(r.fileSize);
    row.present = WithThousands(r.startOffset + r.moved);
    row.remaining = "00:00:00";
    row.transferState = r.state;
    row.kind = r.kind;
    row.fileSize = r.fileSize;
    row.presentBytes = r.startOffset + r.moved;
    row.bytesPerSecond = BytesPerSecond(r.moved, Span(r.startTime, r.lastDisplayTime));
    return row;
}

std::vector<ServerTransferRow> DrawServerTransferRows(const CServerTransferList& list) {
    std::vector<ServerTransferRow> rows;
    for (const ServerTransfer& r : list.Records()) rows.push_back(MakeServerTransferRow(r));
    return rows;
}

bool RefreshServerTransferRows(CServerTransferList& list, std::vector<ServerTransferRow>& rows,
                               uint32_t now) {
    if (rows.size() >= kServerViewPruneRows) {
        list.RemoveByState(kTransferStatesFinished);
        list.Notify();
        return true;
    }
    std::vector<ServerTransfer> records = list.MarkDisplayed(now);
    for (size_t i = 0; i < records.size(); ++i) {
        const ServerTransfer& r = records[i];
        if (r.state != kTransferStateTransferring) continue;
        if (i >= rows.size() || !EqualsIgnoreCase(rows[i].visitorId, r.visitorId) ||
            !EqualsIgnoreCase(rows[i].fileName, r.fileName)) {
            return true;
        }
        ServerTransferRow& row = rows[i];
        int64_t span = Span(r.startTime, now);
        row.progress = Progress(r);
        row.speed = SpeedText(r.moved, span);
        row.present = WithThousands(r.startOffset + r.moved);
        row.presentBytes = r.startOffset + r.moved;
        row.bytesPerSecond = BytesPerSecond(r.moved, span);
        double speed = Speed(r.moved, span);
        // Nothing moved yet: no estimate, the column keeps what it showed.
        if (speed > 0) {
            uint64_t done = r.startOffset + r.moved;
            uint64_t left = r.fileSize > done ? r.fileSize - done : 0;
            double seconds = static_cast<double>(left) / 1024.0 / speed;
            // An upload's size is what the visitor announced: the estimate may
            // pass every int64_t, and such a conversion is undefined.
            row.remainingSeconds = seconds < 9.2e18 ? static_cast<int64_t>(seconds) : INT64_MAX;
            row.remaining = FormatDuration(row.remainingSeconds);
        }
    }
    return false;
}

std::optional<std::string> RunServerTransferCommand(CServerTransferList& list,
                                                    std::string_view keyword,
                                                    const ServerTransferRow& row,
                                                    const RequestStopFn& requestStop) {
    std::optional<std::string> refusal;
    if (keyword == server_view_text::kStop) {
        std::optional<ServerTransfer> r = FindRow(list, row);
        if (r && r->session != nullptr && requestStop) requestStop(r->session);
    } else if (keyword == server_view_text::kDelete) {
        std::optional<ServerTransfer> r = FindRow(list, row);
        if (r) {
            if (r->state == kTransferStateTransferring || r->session != nullptr ||
                !list.Remove(r->id)) {
                refusal = server_view_text::kCannotDelete;
            }
        }
    } else if (keyword == server_view_text::kDeleteAll) {
        list.RemoveByState(kTransferStatesFinished);
    } else {
        return std::nullopt;
    }
    list.Notify();
    return refusal;
}

void DoubleClickServerTransfer(CServerTransferList& list, const ServerTransferRow& row,
                               const RequestStopFn& requestStop) {
    std::optional<ServerTransfer> r = FindRow(list, row);
    if (!r) return;
    if (r->state == kTransferStateTransferring && r->session != nullptr) {
        if (requestStop) requestStop(r->session);
    } else if (r->state == kTransferStateFailed || r->state == kTransferStateCompleted) {
        list.Remove(r->id);
    }
    list.Notify();
}

std::string SpeedLimitLabel(uint32_t value) {
    if (value == 0) return server_view_text::kNoSpeedLimit;
    return Format("속도제한 : %unop", value);
}

void SetSpeedLimit(CProcessOptions& options, CSettings& settings, uint32_t value) {
    options.LimitSpeed = value;
    settings.Write(setting::LimitSpeed, value);
}

}  // namespace velorin
