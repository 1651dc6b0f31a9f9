#include "views/search_terms_view.h"

namespace velorin {

CSearchTermsView::CSearchTermsView(CMessageQueue& queue, SearchTermsParts parts)
    : CWindowTarget(queue), parts_(std::move(parts)) {}

CSearchTermsView::~CSearchTermsView() {
    Close();
}

void CSearchTermsView::Open() {
    if (open_) return;
    open_ = true;
    Queue().SetTimer(Handle(), kSampleTimer, kSamplePeriod);
}

void CSearchTermsView::Close() {
    if (!open_) return;
    open_ = false;
    Queue().KillTimer(Handle(), kSampleTimer);
}

void CSearchTermsView::TogglePause() {
    paused_ = !paused_;
    observers_.StateChanged();
}

const char* CSearchTermsView::PauseButtonText() const {
    return paused_ ? search_terms_text::kResume : search_terms_text::kPause;
}

void CSearchTermsView::Sample() {
    if (!parts_.sampling || !parts_.sampling() || !parts_.currentTerm) return;
    std::string term = parts_.currentTerm();
    if (term == shown_) return;
    // Taken over even while paused, so a resumed list does not repeat it.
    shown_ = term;
    if (term.empty() || paused_) return;
    if (lines_.size() > kMaxLines) {
        lines_.clear();
        observers_.Reset();
    }
    lines_.push_back(term);
    observers_.Inserted(lines_.size() - 1, 1);
}

void CSearchTermsView::OnMessage(const Message& message) {
    if (message.message == WM_TIMER && message.wParam == kSampleTimer) Sample();
}

}  // namespace velorin
