#pragma once
// A user interface that records what it was asked to show, for exact checks.
#include <map>
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
    void ShowPopup(const std::string& text, int identifier) override;
    void AddStatusRow(const std::string& time, int kind, const std::string& text) override;
    void Activate(int kind, const std::string& text) override;
    void SetMemberState(MemberState state) override;
    void SetStatusPane(int pane, const std::string& text) override;
    void SetTrayTooltip(const std::string& text) override;
    void ShowConnecting(const std::string& text) override;
    void CloseConnecting() override;
    void OpenUrl(const std::string& url, bool carriesPassword) override;
    void OpenFolder(const std::string& path) override;
    bool OpenOptions() override;
    void ShowSignInDialog() override;
    void ServerListChanged() override;
    void ShowNotice(const std::string& html) override;
    void OfferFolderDownload(const FolderDownloadOffer& offer) override;
    std::string PickFile(const std::string& title, const std::string& filter) override;
    void ShowTransferPage() override;

    // Message boxes, and questions as "? text".
    std::vector<std::string> Messages() const;
    std::vector<Row> Rows() const;
    std::vector<std::string> RowTexts() const;
    std::vector<std::string> Popups() const;
    std::vector<std::string> Activations() const;
    // Windows and pages opened: "connecting TEXT", "connecting closed", "url URL",
    // "secret-url URL", "folder PATH", "options", "sign-in dialog", "server list",
    // "notice HTML", "folder offer PATH NAME", "pick TITLE", "transfer page".
    std::vector<std::string> Opened() const;
    std::string Pane(int pane) const;
    std::string Tray() const;
    MemberState State() const;
    void Forget();

    bool answer = true;
    bool confirmOptions = false;
    // What the file dialog returns.
    std::string pickedFile;

private:
    void Open(const std::string& what);

    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
    std::vector<std::string> popups_;
    std::vector<Row> rows_;
    std::vector<std::string> activations_;
    std::vector<std::string> opened_;
    std::map<int, std::string> panes_;
    std::string tray_;
    MemberState state_ = MemberState::kOffline;
};

}  // namespace velorin::test
