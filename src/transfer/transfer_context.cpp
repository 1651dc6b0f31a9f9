#include "transfer/transfer_context.h"

#include "data/process_options.h"
#include "platform/window_messages.h"

namespace velorin {

void CTransferContext::SetWindows(CMessageQueue* queue, WindowHandle view,
                                  WindowHandle mainWindow) {
    view_ = view;
    mainWindow_ = mainWindow;
    queue_ = queue;
}

void CTransferContext::PostTransferChanged() const {
    CMessageQueue* queue = queue_;
    if (queue && view_ != 0) queue->PostMessage(view_, WM_TRANSFER_CHANGED);
}

void CTransferContext::PostPointsChanged() const {
    CMessageQueue* queue = queue_;
    if (queue && mainWindow_ != 0) queue->PostMessage(mainWindow_, WM_POINTS_CHANGED);
}

void CTransferContext::StatusLine(const std::string& text, int kind) const {
    if (parts.statusLine) parts.statusLine(text, kind);
}

void CTransferContext::DispatchMainMessage() const {
    CMessageQueue* queue = queue_;
    if (queue && mainWindow_ != 0) queue->DispatchOne(mainWindow_, std::chrono::milliseconds(0));
}

std::string CTransferContext::DownloadPath() const {
    return parts.options.DownloadPath();
}

}  // namespace velorin
