#pragma once
// A user interface that records what it was asked to show, for exact checks.
#include <mutex>
#include <string>
#include <vector>

#include "app/user_interface.h"

namespace velorin::test {

class CRecordingUserInterface : public IUserInterface {
public:
    struct Row {
        std::string time;
        int kind;
        std::string text;
    };

    void ShowMessage(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowPopup(const std::string& text) override;
    void AddStatusRow(const std::string& time, int kind, const std::string& text) override;
    void Activate(int kind, const std::string& text) override;

    std::vector<std::string> Messages() const;
    std::vector<Row> Rows() const;
    std::vector<std::string> Popups() const;
    std::vector<std::string> Activations() const;

    bool answer = true;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
    std::vector<std::string> popups_;
    std::vector<Row> rows_;
    std::vector<std::string> activations_;
};

}  // namespace velorin::test
