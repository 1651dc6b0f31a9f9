#include "views/server_list_view.h"

#include <algorithm>

#include "data/settings.h"
#include "platform/local_time.h"
#include "platform/status_lines.h"
#include "platform/strings.h"
#include "platform/user_interface.h"
#include "service/server_list.h"
#include "transfer/transfer_texts.h"

namespace velorin {

namespace text = server_list_view_text;

namespace {

// The ping column compares unknown pings after every known one.
int64_t PingKey(const ServerRecord& record) {
    return record.ping < 0 ? 99999999 : record.ping;
}

}  // namespace

ServerListRow MakeServerListRow(const ServerRecord& record) {
    LocalTime opened = ToLocalTime(static_cast<std::time_t>(record.openTime));
    ServerListRow row;
    row.record = record;
    row.texts = {record.userId, record.description,
                 record.sharingFlag == 1 ? text::kSharing : text::kNotSharing,
                 record.ping < 0 ? std::string(text::kNoPing) : std::to_string(record.ping),
                 Format(text::kOpenTime, opened.month, opened.day, opened.hour, opened.minute,
                        opened.second)};
    row.firstIcon = record.iconFlag != 0;
    return row;
}

CServerListView::CServerListView(ServerListViewParts parts) : parts_(std::move(parts)) {
    shareFilter_ = parts_.settings.Read(setting::ShowShareServer) != 0;
}

void CServerListView::SelectChannel(int channel) {
    if (channel < 0 || channel >= static_cast<int>(kServerChannels)) return;
    channel_ = channel;
    Refill();
}

void CServerListView::SelectCategory(int category) {
    if (category < 0 || category >= static_cast<int>(kServerCategories)) return;
    category_ = category;
    Refill();
}

void CServerListView::SetShareFilter(bool on) {
    parts_.settings.Write(setting::ShowShareServer, on ? 1 : 0);
    shareFilter_ = on;
    Refill();
}

void CServerListView::Refill() {
    rows_.clear();
    // Copies taken under the list's lock; the worker may be filling it meanwhile.
    for (const ServerRecord& record : parts_.servers.Records(channel_)) {
        if (record.category != category_) continue;
        if (shareFilter_ && record.sharingFlag != 1) continue;
        rows_.push_back(MakeServerListRow(record));
    }
    for (size_t category = 0; category < counts_.size(); ++category) {
        counts_[category] = parts_.servers.CategoryCount(channel_, static_cast<int>(category));
    }
    totalAll_ = 0;
    for (int channel = 0; channel < static_cast<int>(kServerChannels); ++channel) {
        totalAll_ += parts_.servers.Count(channel);
    }
    totalChannel_ = parts_.servers.Count(channel_);
    observers_.Reset();
    observers_.StateChanged();
}

void CServerListView::Sort(size_t column) {
    if (column >= descending_.size()) return;
    bool descending = descending_[column];
    descending_[column] = !descending;
    lastDescending_ = descending;
    auto less = [column](const ServerListRow& a, const ServerListRow& b) {
        switch (column) {
            case 3:
                return PingKey(a.record) < PingKey(b.record);
            case 4:
                return a.record.openTime < b.record.openTime;
            default:
                return CompareIgnoreCase(a.texts[column], b.texts[column]) < 0;
        }
    };
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&](const ServerListRow& a, const ServerListRow& b) {
                         return descending ? less(b, a) : less(a, b);
                     });
    observers_.Reset();
}

std::vector<std::string> CServerListView::CategoryLines() const {
    std::vector<std::string> lines;
    for (size_t category = 0; category < counts_.size(); ++category) {
        lines.push_back(Format(text::kCategoryLine, CategoryName(static_cast<int>(category)),
                               static_cast<int>(counts_[category])));
    }
    return lines;
}

std::string CServerListView::TotalLine() const {
    return Format(text::kTotal, static_cast<int>(totalAll_), static_cast<int>(totalChannel_));
}

ExplorerResult CServerListView::RefuseSignedOut() {
    if (parts_.statusLine) parts_.statusLine(text::kNeedsServer, kStatusCaution);
    if (parts_.ui.AskYesNo(server_list_text::kAskConnect, kAppName) && parts_.startSignIn) {
        parts_.startSignIn();
    }
    return std::string(text::kNeedsServer);
}

std::optional<LinkTexts> CServerListView::LinkTextsOf(size_t index) const {
    if (index >= rows_.size() || rows_[index].record.userId.empty()) return std::nullopt;
    return ServerLinkTexts(rows_[index].record.userId);
}

ExplorerResult CServerListView::Connect(size_t index) {
    if (index >= rows_.size()) return std::nullopt;
    if (!parts_.serverRunning) return RefuseSignedOut();
    // The row may be older than the list: the address comes from the list as it is now.
    ServerRecord record;
    if (!parts_.servers.FindById(rows_[index].record.userId, record)) {
        if (parts_.statusLine) parts_.statusLine(transfer_text::kNotListed, kStatusCaution);
        return std::string(transfer_text::kNotListed);
    }
    return parts_.explorer.BeginBrowse(record.address, record.tcpPort, record.userId, "\\");
}

ExplorerResult CServerListView::ConnectOwnServer() {
    if (!parts_.serverRunning) return RefuseSignedOut();
    uint16_t port = parts_.ownPort ? parts_.ownPort() : 0;
    if (port == 0) return std::string(explorer_text::kNotQueued);
    return parts_.explorer.BrowseOwnServer(port);
}

}  // namespace velorin
