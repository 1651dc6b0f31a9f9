#include "views/transfer_view.h"

#include <map>

#include "fileserver/server_clock.h"
#include "platform/strings.h"
#include "platform/text_format.h"
#include "platform/window_messages.h"
#include "transfer/transfer_engine.h"

namespace velorin {
namespace {

std::string ProgressText(uint64_t present, uint64_t size) {
    double percent =
        size == 0 ? 100.0 : static_cast<double>(present) * 100.0 / static_cast<double>(size);
    return Format("%3.0f %%", percent);
}

// kB/s over the seconds since the data phase began; 0 when none passed.
double SpeedOf(const TransferSnapshot& entry, int64_t elapsed) {
    if (elapsed <= 0) return 0.0;
    return static_cast<double>(entry.movedBytes) / 1024.0 / static_cast<double>(elapsed);
}

uint64_t BytesPerSecond(const TransferSnapshot& entry, int64_t elapsed) {
    return elapsed > 0 ? entry.movedBytes / static_cast<uint64_t>(elapsed) : 0;
}

// Rows of one member name the same entry by its name and direction.
bool SameEntry(const TransferViewRow& a, const TransferViewRow& b) {
    return a.mode == b.mode && EqualsIgnoreCase(a.fileName, b.fileName);
}

}  // namespace

TransferViewRow MakeRow(const TransferSnapshot& entry) {
    uint64_t present = entry.resumeOffset + entry.movedBytes;
    int64_t elapsed =
        static_cast<int64_t>(entry.updateTime) - static_cast<int64_t>(entry.startTime);
    TransferViewRow row;
    row.state = TransferStateText(entry.state);
    row.action = entry.mode == kModeDownload ? "DN" : "UP";
    row.fileName = entry.fileName;
    row.progress = ProgressText(present, entry.fileSize);
    row.speed = Format("%.1fk", SpeedOf(entry, elapsed));
    row.size = WithThousands(entry.fileSize);
    row.moved = WithThousands(present);
    row.remaining = "00:00:00";
    row.note = entry.message;
    row.transferState = entry.state;
    row.mode = entry.mode;
    row.fileSize = entry.fileSize;
    row.resumeOffset = entry.resumeOffset;
    row.movedBytes = entry.movedBytes;
    row.bytesPerSecond = BytesPerSecond(entry, elapsed);
    return row;
}

LinkTexts EntryLinkTexts(const TransferSnapshot& entry) {
    char separator = entry.mode == kModeDownload ? '\\' : '/';
    std::string name = entry.fileName.substr(entry.fileName.rfind(separator) + 1);
    return FileLinkTexts(entry.userId, entry.virDirName, name, entry.fileSize);
}

std::optional<std::string> FinishedFilePath(const TransferViewRow& row,
                                            const std::string& downloadPath) {
    if (row.transferState != kTransferStateCompleted) return std::nullopt;
    if (row.mode != kModeDownload) return row.fileName;
    std::optional<DownloadPaths> paths = DownloadPathsOf(downloadPath, row.fileName);
    if (!paths) return std::nullopt;
    return paths->final;
}

CTransferView::CTransferView(CMessageQueue& queue, CTransferManager& manager, IServerClock& clock)
    : CWindowTarget(queue), manager_(manager), clock_(clock) {}

void CTransferView::OnMessage(const Message& message) {
    if (message.message == WM_TRANSFER_CHANGED) {
        // A member that appeared or went changes the member list as well.
        if (manager_.Members() != members_) {
            RebuildMembers();
        } else {
            AddRows(false);
        }
    } else if (message.message == WM_TRANSFER_MEMBERS) {
        RebuildMembers();
    }
}

void CTransferView::Select(const std::string& member) {
    bool other = member != selected_;
    selected_ = member;
    if (other) observers_.StateChanged();
    AddRows(other);
}

void CTransferView::RebuildMembers() {
    std::vector<std::string> before = members_;
    std::string selectedBefore = selected_;
    members_ = manager_.Members();
    bool kept = false;
    for (const std::string& member : members_) kept = kept || EqualsIgnoreCase(member, selected_);
    if (!kept) selected_ = members_.empty() ? std::string() : members_.front();
    bool other = selected_ != selectedBefore;
    if (other || members_ != before) observers_.StateChanged();
    AddRows(other);
}

void CTransferView::AddRows(bool rebuilt) {
    std::vector<TransferViewRow> before = std::move(rows_);
    rows_.clear();
    if (!selected_.empty()) {
        for (const TransferSnapshot& entry : manager_.Snapshot(selected_)) {
            rows_.push_back(MakeRow(entry));
        }
    }
    if (rebuilt) {
        observers_.Reset();
        return;
    }
    NotifyRowChanges(
        observers_, before.size(), rows_.size(),
        [&](size_t a, size_t b) { return SameEntry(before[a], rows_[b]); },
        [&](size_t a, size_t b) { return before[a] == rows_[b]; });
}

std::optional<LinkTexts> CTransferView::LinkTextsOf(size_t index) {
    if (selected_.empty() || index >= rows_.size()) return std::nullopt;
    // The rows wait for the posted change; the list may have moved on meanwhile.
    std::vector<TransferSnapshot> entries = manager_.Snapshot(selected_);
    if (index >= entries.size() || entries[index].userId.empty() ||
        !SameEntry(MakeRow(entries[index]), rows_[index])) {
        return std::nullopt;
    }
    return EntryLinkTexts(entries[index]);
}

void CTransferView::Tick() {
    uint32_t now = clock_.UnixSeconds();
    if (!selected_.empty()) {
        if (auto touched = manager_.TouchTransferring(selected_, now)) {
            auto& [index, entry] = *touched;
            if (index < rows_.size()) {
                TransferViewRow& row = rows_[index];
                uint64_t present = entry.resumeOffset + entry.movedBytes;
                int64_t elapsed = static_cast<int64_t>(now) - entry.startTime;
                double speed = SpeedOf(entry, elapsed);
                row.progress = ProgressText(present, entry.fileSize);
                row.speed = Format("%.1fk", speed);
                row.moved = WithThousands(present);
                double left =
                    entry.fileSize > present ? static_cast<double>(entry.fileSize - present) : 0.0;
                double seconds = speed > 0.0 ? left / 1024.0 / speed : 0.0;
                // A conversion past every int64_t is undefined.
                int64_t whole = seconds < 9.2e18 ? static_cast<int64_t>(seconds) : INT64_MAX;
                row.remaining = FormatDuration(whole);
                row.note.clear();
                row.resumeOffset = entry.resumeOffset;
                row.movedBytes = entry.movedBytes;
                row.bytesPerSecond = BytesPerSecond(entry, elapsed);
                row.remainingSeconds = whole;
                observers_.Changed(index, 1);
            }
        }
    }
    // Per member its first transferring entry, once a second of it has passed.
    std::map<std::string, bool> seen;
    double down = 0.0;
    double up = 0.0;
    for (const TransferSnapshot& entry : manager_.Snapshot("")) {
        if (entry.state != kTransferStateTransferring || seen[entry.userId]) continue;
        seen[entry.userId] = true;
        int64_t elapsed = static_cast<int64_t>(now) - entry.startTime;
        if (elapsed <= 1) continue;
        (entry.mode == kModeDownload ? down : up) += SpeedOf(entry, elapsed);
    }
    downloadSpeed_ = static_cast<uint64_t>(down * 1024.0);
    uploadSpeed_ = static_cast<uint64_t>(up * 1024.0);
}

}  // namespace velorin
