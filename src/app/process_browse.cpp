// The process context's share of browsing other members' servers: the browse
// session, the server explorer's model and their velorind words.
#include "app/browse_commands.h"
#include "app/main_controller.h"
#include "app/process.h"
#include "fileserver/file_server.h"
#include "transfer/browse_session.h"
#include "transfer/transfer_manager.h"
#include "views/server_explorer.h"
#include "views/server_list_view.h"

namespace velorin {

void CProcess::CreateExplorer() {
    browse_ = std::make_unique<CBrowseSession>(BrowseSessionParts{clock_, registry_, StatusSink()});
    ServerExplorerParts parts{
        .queue = queue_,
        .session = *browse_,
        .ui = ui_,
        .servers = serverList_,
        .registry = registry_,
        .serverRunning = serverRunning_,
        .memberAge = standing_.age,
        .ownId = [this] { return Credentials().userId; },
        .downloadFolder = [this] { return options_.DownloadPath(); },
        .statusLine = StatusSink(),
        .startSignIn =
            [this] {
                if (controller_) controller_->StartServer();
            },
        .reserveDownload =
            [this](const std::string& id, const std::string& folder, const std::string& file,
                   uint64_t size, uint32_t address, uint16_t port) {
                return transfers_->ReserveDownload(id, folder, file, size, address, port);
            },
        .reserveUpload =
            [this](const std::string& id, const std::string& folder, const std::string& file,
                   uint64_t size, uint32_t address, uint16_t port) {
                return transfers_->ReserveUpload(id, folder, file, size, address, port);
            },
        // The adult category masks names but does not refuse a transfer.
        .restrictedPiece =
            [this](std::string_view piece) { return wordFilter_.IsRestrictedName(piece, true); },
    };
    explorer_ = std::make_unique<CServerExplorer>(std::move(parts));
    serverListView_ = std::make_unique<CServerListView>(ServerListViewParts{
        .servers = serverList_,
        .settings = settings_,
        .ui = ui_,
        .explorer = *explorer_,
        .serverRunning = serverRunning_,
        .statusLine = StatusSink(),
        .startSignIn =
            [this] {
                if (controller_) controller_->StartServer();
            },
        .ownPort = [this] { return fileServer_ ? fileServer_->GetPort() : uint16_t{0}; },
    });
    browse_->SetWindows(&queue_, explorer_->Handle(), controller_ ? controller_->Handle() : 0);
    browseWords_ = std::make_unique<CBrowseWords>(*explorer_, queue_);
    browseWords_->Register(commands_);
}

void CProcess::StopBrowse() {
    if (browse_) browse_->Stop();
}

}  // namespace velorin
