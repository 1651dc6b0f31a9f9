#include "support/recording_ui.h"

namespace velorin::test {

void CRecordingUserInterface::ShowMessage(const std::string& text, const std::string&) {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
}

bool CRecordingUserInterface::AskYesNo(const std::string& text, const std::string&) {
    std::lock_guard lock(mutex_);
    messages_.push_back("? " + text);
    return answer;
}

void CRecordingUserInterface::ShowPopup(const std::string& text, int) {
    std::lock_guard lock(mutex_);
    popups_.push_back(text);
}

void CRecordingUserInterface::AddStatusRow(const std::string& time, int kind,
                                           const std::string& text) {
    std::lock_guard lock(mutex_);
    rows_.push_back({time, kind, text});
}

void CRecordingUserInterface::Activate(int kind, const std::string& text) {
    std::lock_guard lock(mutex_);
    activations_.push_back(std::to_string(kind) + " " + text);
}

void CRecordingUserInterface::SetMemberState(MemberState state) {
    std::lock_guard lock(mutex_);
    state_ = state;
}

void CRecordingUserInterface::SetStatusPane(int pane, const std::string& text) {
    std::lock_guard lock(mutex_);
    panes_[pane] = text;
}

void CRecordingUserInterface::SetTrayTooltip(const std::string& text) {
    std::lock_guard lock(mutex_);
    tray_ = text;
}

void CRecordingUserInterface::Open(const std::string& what) {
    std::lock_guard lock(mutex_);
    opened_.push_back(what);
}

void CRecordingUserInterface::ShowConnecting(const std::string& text) { Open("connecting " + text); }
void CRecordingUserInterface::CloseConnecting() { Open("connecting closed"); }
void CRecordingUserInterface::OpenUrl(const std::string& url, bool carriesPassword) {
    Open((carriesPassword ? "secret-url " : "url ") + url);
}
void CRecordingUserInterface::OpenFolder(const std::string& path) { Open("folder " + path); }
bool CRecordingUserInterface::OpenOptions() {
    Open("options");
    return confirmOptions;
}
void CRecordingUserInterface::ShowSignInDialog() { Open("sign-in dialog"); }
void CRecordingUserInterface::ServerListChanged() { Open("server list"); }

void CRecordingUserInterface::ShowNotice(const std::string& html) { Open("notice " + html); }

void CRecordingUserInterface::OfferFolderDownload(const FolderDownloadOffer& offer) {
    Open("folder offer " + offer.remotePath + " " + offer.localName);
}

std::string CRecordingUserInterface::PickFile(const std::string& title, const std::string&) {
    Open("pick " + title);
    return pickedFile;
}

void CRecordingUserInterface::ShowTransferPage() { Open("transfer page"); }

std::vector<std::string> CRecordingUserInterface::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<CRecordingUserInterface::Row> CRecordingUserInterface::Rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

std::vector<std::string> CRecordingUserInterface::RowTexts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const Row& row : rows_) texts.push_back(row.text);
    return texts;
}

std::vector<std::string> CRecordingUserInterface::Popups() const {
    std::lock_guard lock(mutex_);
    return popups_;
}

std::vector<std::string> CRecordingUserInterface::Activations() const {
    std::lock_guard lock(mutex_);
    return activations_;
}

std::vector<std::string> CRecordingUserInterface::Opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

std::string CRecordingUserInterface::Pane(int pane) const {
    std::lock_guard lock(mutex_);
    auto it = panes_.find(pane);
    return it == panes_.end() ? "" : it->second;
}

std::string CRecordingUserInterface::Tray() const {
    std::lock_guard lock(mutex_);
    return tray_;
}

MemberState CRecordingUserInterface::State() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void CRecordingUserInterface::Forget() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    popups_.clear();
    rows_.clear();
    activations_.clear();
    opened_.clear();
}

}  // namespace velorin::test
