// The process context's share of the member's own file server: its creation
// at start-up and the calls of the sign-in chain.
#include "app/fileserver_commands.h"
#include "app/process.h"
#include "fileserver/file_server.h"
#include "views/server_view.h"

namespace velorin {

void CProcess::CreateFileServer() {
    FileServerParts parts{shareDatabase_,      options_,    completeList_, pointBalance_, counters_,
                          SystemServerClock(), StatusSink()};
    fileServer_ = std::make_unique<CFileServer>(std::move(parts));
    serverView_ = std::make_unique<CServerView>(queue_, *fileServer_, SystemServerClock());
    fileServer_->SetWindows(&queue_, 0, serverView_->Handle());
    RegisterFileServerCommands(commands_, *fileServer_, *serverView_, options_, settings_,
                               counters_);
}

uint16_t CProcess::OpenFileServer(uint16_t port) {
    if (!fileServer_) return 0;
    if (!fileServer_->Running() && fileServer_->Open(port) < 0) return 0;
    return fileServer_->GetPort();
}

uint16_t CProcess::StartFileServer(uint16_t port) {
    if (!fileServer_) return 0;
    if (!fileServer_->Running()) {
        if ((!fileServer_->IsOpen() || fileServer_->RequestedPort() != port) &&
            fileServer_->Open(port) < 0) {
            return 0;
        }
        if (fileServer_->Start(static_cast<int32_t>(options_.MaxUploadSessions.load()),
                               static_cast<int32_t>(options_.MaxDownloadSessions.load())) < 0) {
            return 0;
        }
    }
    return fileServer_->GetPort();
}

ActivityCounts CProcess::Activity() const {
    return {counters_.browse.load(), counters_.uploads.load(), counters_.downloads.load()};
}

void CProcess::StopFileServer() {
    if (!fileServer_) return;
    fileServer_->CloseListener();
    fileServer_->Stop();
}

}  // namespace velorin
