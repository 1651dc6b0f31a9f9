#include "views/server_view.h"

#include "fileserver/file_server.h"
#include "platform/strings.h"
#include "platform/window_messages.h"

namespace velorin {
namespace {

// Two rows name the same record when a command would find the same one for both.
bool SameRecord(const ServerTransferRow& a, const ServerTransferRow& b) {
    return a.kind == b.kind && a.fileSize == b.fileSize &&
           EqualsIgnoreCase(a.visitorId, b.visitorId) && EqualsIgnoreCase(a.fileName, b.fileName);
}

}  // namespace

CServerView::CServerView(CMessageQueue& queue, CFileServer& server, IServerClock& clock)
    : CWindowTarget(queue),
      server_(server),
      clock_(clock),
      visitors_(server.Visitors().Names()),
      transfers_(DrawServerTransferRows(server.Transfers())) {}

void CServerView::OnMessage(const Message& message) {
    if (message.message == WM_VISITORS_CHANGED) {
        RedrawVisitors();
    } else if (message.message == WM_TRANSFER_CHANGED) {
        RedrawTransfers();
    }
}

void CServerView::RedrawVisitors() {
    std::vector<std::string> before = std::move(visitors_);
    visitors_ = server_.Visitors().Names();
    NotifyRowChanges(
        visitorObservers_, before.size(), visitors_.size(),
        [&](size_t a, size_t b) { return EqualsIgnoreCase(before[a], visitors_[b]); },
        [&](size_t a, size_t b) { return before[a] == visitors_[b]; });
}

void CServerView::RedrawTransfers() {
    ShowTransfers(DrawServerTransferRows(server_.Transfers()));
}

void CServerView::Tick() {
    std::vector<ServerTransferRow> rows = transfers_;
    if (RefreshServerTransferRows(server_.Transfers(), rows, clock_.UnixSeconds())) {
        RedrawTransfers();
        return;
    }
    ShowTransfers(std::move(rows));
}

void CServerView::Update() {
    CServerTransferList& list = server_.Transfers();
    std::vector<ServerTransferRow> rows = DrawServerTransferRows(list);
    if (rows.size() < kServerViewPruneRows &&
        RefreshServerTransferRows(list, rows, clock_.UnixSeconds())) {
        rows = DrawServerTransferRows(list);
    }
    ShowTransfers(std::move(rows));
}

std::optional<std::string> CServerView::Command(std::string_view keyword, size_t index) {
    // A copy: the redraw below replaces the rows.
    ServerTransferRow row = index < transfers_.size() ? transfers_[index] : ServerTransferRow{};
    std::optional<std::string> refusal =
        RunServerTransferCommand(server_.Transfers(), keyword, row, StopFn());
    RedrawTransfers();
    return refusal;
}

void CServerView::DoubleClick(size_t index) {
    if (index >= transfers_.size()) return;
    ServerTransferRow row = transfers_[index];
    DoubleClickServerTransfer(server_.Transfers(), row, StopFn());
    RedrawTransfers();
}

void CServerView::Kick(const std::string& visitorId) {
    server_.Visitors().Kick(visitorId);
}

std::optional<LinkTexts> CServerView::VisitorLinkTextsOf(size_t index) const {
    if (index >= visitors_.size() || visitors_[index].empty()) return std::nullopt;
    return ServerLinkTexts(visitors_[index]);
}

std::optional<LinkTexts> CServerView::TransferLinkTextsOf(size_t index) const {
    if (index >= transfers_.size() || transfers_[index].visitorId.empty()) return std::nullopt;
    return ServerLinkTexts(transfers_[index].visitorId);
}

void CServerView::ShowTransfers(std::vector<ServerTransferRow> rows) {
    std::vector<ServerTransferRow> before = std::move(transfers_);
    transfers_ = std::move(rows);
    NotifyRowChanges(
        transferObservers_, before.size(), transfers_.size(),
        [&](size_t a, size_t b) { return SameRecord(before[a], transfers_[b]); },
        [&](size_t a, size_t b) { return before[a] == transfers_[b]; });
}

RequestStopFn CServerView::StopFn() {
    return [this](IVisitorSession* session) { server_.RequestStop(session); };
}

}  // namespace velorin
