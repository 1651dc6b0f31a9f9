#include "ui/desktop_user_interface.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "ui/main_window.h"

namespace velorin {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void CDesktopUserInterface::Attach(CMainWindow* window) {
    window_ = window;
    if (!window) return;
    window->SetMemberState(state_);
    if (signInWanted_) {
        signInWanted_ = false;
        window->ShowSignInDialog();
    }
}

void CDesktopUserInterface::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox::information(window_, Text(caption), Text(text));
}

bool CDesktopUserInterface::AskYesNo(const std::string& text, const std::string& caption) {
    return QMessageBox::question(window_, Text(caption), Text(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void CDesktopUserInterface::ShowPopup(const std::string& text, int identifier) {
    if (window_) window_->ShowPopup(Text(text), identifier);
}

void CDesktopUserInterface::AddStatusRow(const std::string&, int, const std::string&) {
    // The log page draws the activity log's own rows.
}

void CDesktopUserInterface::Activate(int kind, const std::string&) {
    if (window_) window_->ComeForward(kind == 0);
}

void CDesktopUserInterface::SetMemberState(MemberState state) {
    state_ = state;
    if (window_) window_->SetMemberState(state);
}

void CDesktopUserInterface::SetStatusPane(int pane, const std::string& text) {
    if (window_) window_->SetStatusPane(pane, Text(text));
}

void CDesktopUserInterface::SetTrayTooltip(const std::string& text) {
    if (window_) window_->SetTrayTooltip(text);
}

void CDesktopUserInterface::ShowConnecting(const std::string& text) {
    if (window_) window_->ShowConnecting(Text(text));
}

void CDesktopUserInterface::CloseConnecting() {
    if (window_) window_->CloseConnecting();
}

void CDesktopUserInterface::OpenUrl(const std::string& url, bool) {
    // The main window's own viewer fetches it in this process: an address that
    // carries the password never reaches another program's command line.
    if (window_) window_->OpenUrl(Text(url));
}

void CDesktopUserInterface::NotesChanged() {
    if (window_) window_->ReloadNoteBox();
}

void CDesktopUserInterface::OpenFolder(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(Text(path)));
}

bool CDesktopUserInterface::OpenOptions() {
    return window_ && window_->OpenOptions();
}

void CDesktopUserInterface::ShowSignInDialog() {
    if (window_) {
        window_->ShowSignInDialog();
    } else {
        signInWanted_ = true;
    }
}

void CDesktopUserInterface::ShowNotice(const std::string& html) {
    if (window_) window_->ShowNotice(html);
}

void CDesktopUserInterface::OfferFolderDownload(const FolderDownloadOffer& offer) {
    if (window_) window_->OfferFolderDownload(offer);
}

std::string CDesktopUserInterface::PickFile(const std::string& title, const std::string& filter) {
    return window_ ? window_->PickFile(title, filter) : std::string();
}

void CDesktopUserInterface::ShowTransferPage() {
    if (window_) window_->SelectPage(CMainWindow::kTransferPage);
}

void CDesktopUserInterface::TickPage() {
    if (window_) window_->TickPage();
}

}  // namespace velorin
