#include "support/recording_ui.h"

namespace velorin::test {

bool CRecordingUserInterface::AskYesNo(const std::string& text, const std::string&) {
    Add(messages_, "? " + text);
    return answer;
}

bool CRecordingUserInterface::OpenOptions() {
    Add(opened_, std::string("options"));
    return false;
}

std::string CRecordingUserInterface::PickFile(const std::string& title, const std::string&) {
    Add(opened_, "pick " + title);
    return "";
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

std::vector<std::string> CRecordingUserInterface::RowTexts() const {
    std::vector<std::string> texts;
    for (const Row& row : Rows()) texts.push_back(row.text);
    return texts;
}

std::string CRecordingUserInterface::Pane(int pane) const {
    std::lock_guard lock(mutex_);
    auto it = panes_.find(pane);
    return it == panes_.end() ? "" : it->second;
}

}  // namespace velorin::test
