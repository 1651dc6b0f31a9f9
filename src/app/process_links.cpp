// The process context's share of "vel://" links: the pending link of the
// command line or of a later start, acted on while the own server runs, and
// the velorind words that write links and copy them from the lists.
#include "app/link_commands.h"
#include "app/main_controller.h"
#include "app/process.h"
#include "data/link.h"
#include "fileserver/file_server.h"
#include "platform/strings.h"
#include "platform/user_interface.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_texts.h"
#include "views/search_view.h"
#include "views/server_explorer.h"
#include "views/server_list_view.h"
#include "views/server_view.h"
#include "views/transfer_view.h"

namespace velorin {

void CProcess::CreateLinks() {
    controller_->SetLinkHandler([this] { HandlePendingLink(); });
    RegisterLinkCommands(commands_, LinkCopyViews{*serverListView_, *explorer_, *transferView_,
                                                  *searchView_, *serverView_});
}

void CProcess::HandlePendingLink() {
    if (!serverRunning_) return;
    std::string text = pendingLink_.value_or(std::string());
    // Cleared first: no refusal keeps it, and while a question below is open
    // a later start may hand over the next one.
    pendingLink_.reset();
    std::optional<CLink> link = ParseLink(UnescapeLink(text));
    if (!link) return;
    if (const auto* file = std::get_if<CFileLink>(&*link)) {
        HandleFileLink(*file);
    } else if (explorer_) {
        explorer_->Connect(std::get<CServerLink>(*link).userId, "\\");
    }
}

void CProcess::HandleFileLink(const CFileLink& link) {
    if (!fileServer_->Running()) {
        status_.AddStatusLine(link_text::kNeedsServer, kStatusCaution);
        if (ui_.AskYesNo(server_list_text::kAskConnect, kAppName) && controller_) {
            controller_->StartServer();
        }
        return;
    }
    // The name comes from a web page: the door keeps it one file of the download folder.
    if (explorer_)
        explorer_->ReserveRemoteFileAndShow(link.userId, link.path, link.name, link.size);
}

}  // namespace velorin
