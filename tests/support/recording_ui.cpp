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

void CRecordingUserInterface::ShowPopup(const std::string& text) {
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

std::vector<std::string> CRecordingUserInterface::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<CRecordingUserInterface::Row> CRecordingUserInterface::Rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

std::vector<std::string> CRecordingUserInterface::Popups() const {
    std::lock_guard lock(mutex_);
    return popups_;
}

std::vector<std::string> CRecordingUserInterface::Activations() const {
    std::lock_guard lock(mutex_);
    return activations_;
}

}  // namespace velorin::test
