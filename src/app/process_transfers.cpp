// The process context's share of the member's own transfers: the transfer
// list's creation, its store beside the share database, the list's loading
// as the main window starts, and the workers' end.
#include "app/main_controller.h"
#include "app/process.h"
#include "app/transfer_commands.h"
#include "fileserver/server_clock.h"
#include "platform/strings.h"
#include "transfer/transfer_manager.h"
#include "views/server_view.h"
#include "views/transfer_view.h"

namespace velorin {

void CProcess::CreateTransfers() {
    TransferListParts parts{
        options_,
        pointBalance_,
        counters_,
        serverList_,
        serverRunning_,
        SystemServerClock(),
        ui_,
        shareDatabase_.Mutex(),
        StatusSink(),
        [this] {
            SignInCredentials credentials = Credentials();
            return TransferIdentity{credentials.userId, credentials.password, standing_.age.load()};
        },
        [this] { cache_.RequestBalance(); },
        CentralAddress()};
    transfers_ = std::make_unique<CTransferManager>(std::move(parts));
}

bool CProcess::OpenTransferStore() {
    if (transfers_->OpenTransferStore("rtfl.db")) return true;
    std::string text = "rtfl.db: " + transfers_->Context().store.LastError();
    queue_.PostTask([this, text] { status_.AddStatusLine(text, kStatusCaution); });
    return false;
}

void CProcess::StartTransfers() {
    transferView_ = std::make_unique<CTransferView>(queue_, *transfers_, SystemServerClock());
    transfers_->Context().SetWindows(&queue_, transferView_->Handle(), controller_->Handle());
    transfers_->LoadTransferList();
    // The visitors' transfer list ticks before the member's own.
    controller_->SetTickHook([this] {
        serverView_->Tick();
        transferView_->Tick();
    });
    RegisterTransferCommands(commands_, *transfers_, *transferView_, *explorer_);
}

void CProcess::HaltTransfers() {
    if (transfers_) transfers_->HaltAll();
    transferView_.reset();
}

}  // namespace velorin
