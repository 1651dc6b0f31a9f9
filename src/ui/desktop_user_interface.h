#pragma once
// The desktop client's side of the interface through which the core reaches
// the person. The process context needs it before the main window can exist
// (the window draws the context's models), so until the window is attached
// message boxes stand alone and the frame's state is kept for it.
#include <QPointer>
#include <optional>
#include <string>

#include "platform/user_interface.h"

namespace velorin {

class CMainWindow;

class CDesktopUserInterface : public IUserInterface {
public:
    void Attach(CMainWindow* window);

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
    void NotesChanged() override;
    void OpenFolder(const std::string& path) override;
    bool OpenOptions() override;
    void ShowSignInDialog() override;
    void ShowNotice(const std::string& html) override;
    void OfferFolderDownload(const FolderDownloadOffer& offer) override;
    std::string PickFile(const std::string& title, const std::string& filter) override;
    void ShowTransferPage() override;
    void TickPage() override;

private:
    QPointer<CMainWindow> window_;
    // Asked for before the window existed: shown once it does.
    bool signInWanted_ = false;
    MemberState state_ = MemberState::kOffline;
};

}  // namespace velorin
