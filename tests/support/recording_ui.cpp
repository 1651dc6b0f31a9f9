#include "support/recording_ui.h"

#include <gtest/gtest.h>

#include "platform/message_queue.h"
#include "platform/person_lock.h"

namespace velorin::test {

void CRecordingUserInterface::Check(const char* call) const {
    const CMessageQueue* queue = queue_.load();
    if (queue ? !queue->OnLoopThread() : std::this_thread::get_id() != maker_)
        ADD_FAILURE() << call << " called off the loop's thread " << std::this_thread::get_id()
                      << " " << maker_ << " " << queue;
    if (int held = HeldPersonLocks(); held > 0)
        ADD_FAILURE() << call << " called with " << held << " person lock(s) held";
}

bool CRecordingUserInterface::AskYesNo(const std::string& text, const std::string&) {
    Add("AskYesNo", messages_, "? " + text);
    if (onQuestion) onQuestion();
    return answer;
}

bool CRecordingUserInterface::OpenOptions() {
    Add("OpenOptions", opened_, std::string("options"));
    return false;
}

std::string CRecordingUserInterface::PickFile(const std::string& title, const std::string&) {
    Add("PickFile", opened_, "pick " + title);
    if (onPick) onPick();
    return pickedFile;
}

void CRecordingUserInterface::SetMemberState(MemberState state) {
    Check("SetMemberState");
    std::lock_guard lock(mutex_);
    state_ = state;
}

void CRecordingUserInterface::SetStatusPane(int pane, const std::string& text) {
    Check("SetStatusPane");
    std::lock_guard lock(mutex_);
    panes_[pane] = text;
}

void CRecordingUserInterface::SetTrayTooltip(const std::string& text) {
    Check("SetTrayTooltip");
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
