#include "data/process_options.h"

#include "data/settings.h"

namespace velorin {

std::string CProcessOptions::DownloadPath() const {
    std::lock_guard lock(mutex_);
    return downloadPath_;
}

void CProcessOptions::SetDownloadPath(std::string path) {
    std::lock_guard lock(mutex_);
    downloadPath_ = std::move(path);
}

std::string CProcessOptions::Message() const {
    std::lock_guard lock(mutex_);
    return message_;
}

void CProcessOptions::SetMessage(std::string text) {
    std::lock_guard lock(mutex_);
    message_ = std::move(text);
}

void CProcessOptions::Load(CSettings& settings) {
    ContinueRecv = settings.Read(setting::ContinueRecv);
    ContinueServerRecv = settings.Read(setting::ContinueServerRecv);
    SetDownloadPath(settings.GetDownloadPath());
    TempFile = settings.Read(setting::TempFile);
    ExistFileTransReserve = settings.Read(setting::ExistFileTransReserve);
    SetMessage(settings.GetMessage());
    BringMessage = settings.Read(setting::BringMessage);
    WriteLog = settings.Read(setting::WriteLog);
    QUICKSEND = settings.Read(setting::QUICKSEND);
    AutoStart = settings.ReadAutoStart();
    TransCompleteSave = settings.Read(setting::TransCompleteSave);
    RecvMessage = settings.Read(setting::RecvMessage);
    PopupMsg = settings.Read(setting::PopupMsg);
    MaxUploadSessions = settings.ReadTransferLimit(setting::MAXDOWN) + 1;
    MaxDownloadSessions = settings.ReadTransferLimit(setting::MAXUP) + 1;
    LimitSpeed = settings.Read(setting::LimitSpeed);
}

}  // namespace velorin
