#pragma once
// The member's server view as a model: the browsing visitors and the rows of
// the served transfers, redrawn when the file server's lists post their
// changes, refreshed on the main window's tick, and the view's commands on its
// rows. Drawing is the front-end's; it redraws what the observers are told.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/link.h"
#include "platform/message_queue.h"
#include "platform/view_change.h"
#include "views/server_transfer_view.h"

namespace velorin {

class CFileServer;
class IServerClock;

class CServerView : public CWindowTarget {
public:
    // Reads the lists of `server` once; hand its handle to the server's
    // SetWindows before the server starts.
    CServerView(CMessageQueue& queue, CFileServer& server, IServerClock& clock);

    // WM_VISITORS_CHANGED and WM_TRANSFER_CHANGED.
    void OnMessage(const Message& message) override;

    const std::vector<std::string>& Visitors() const { return visitors_; }
    const std::vector<ServerTransferRow>& Transfers() const { return transfers_; }
    // Each list tells its own changes in rows (kReset when the rows cannot be matched).
    CViewObservers& VisitorObservers() { return visitorObservers_; }
    CViewObservers& TransferObservers() { return transferObservers_; }

    void RedrawVisitors();
    void RedrawTransfers();
    // The view's timer: the transferring rows' progress, or the whole list
    // again (finished records pruned once the view holds 40 rows).
    void Tick();
    // The rows as a redraw and a tick would leave them, without the pruning:
    // for readers that cannot wait for the posted changes.
    void Update();

    // A keyword of the view ("TRANS_STOP", "TRANS_DEL", "TRANS_ALLDEL") on the
    // row `index` (ignored by "TRANS_ALLDEL"); the refusal's text, if any. The
    // view is redrawn.
    std::optional<std::string> Command(std::string_view keyword, size_t index);
    void DoubleClick(size_t index);
    // "접속 끊기" on a browsing visitor.
    void Kick(const std::string& visitorId);
    // The link copies of a visitor and of a served transfer's row: the
    // visitor's server only.
    std::optional<LinkTexts> VisitorLinkTextsOf(size_t index) const;
    std::optional<LinkTexts> TransferLinkTextsOf(size_t index) const;

private:
    void ShowTransfers(std::vector<ServerTransferRow> rows);
    RequestStopFn StopFn();

    CFileServer& server_;
    IServerClock& clock_;
    std::vector<std::string> visitors_;
    std::vector<ServerTransferRow> transfers_;
    CViewObservers visitorObservers_;
    CViewObservers transferObservers_;
};

}  // namespace velorin
