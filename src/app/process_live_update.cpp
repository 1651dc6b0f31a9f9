// The process context's share of the live update: the check on the start-up
// path, and the check again when the session server refuses the version,
// which fetches beside the loop so the window stays live meanwhile.
#include "app/exit_codes.h"
#include "app/main_controller.h"
#include "app/process.h"
#include "data/settings.h"
#include "service/live_update.h"

namespace velorin {

LiveUpdateParts CProcess::LiveUpdate() {
    return LiveUpdateParts{.registry = registry_,
                           .ui = ui_,
                           .folder = profile_.folder,
                           .webRoot = WebAddress(),
                           .startUpdater = StartUpdater,
                           .stop = &updateStop_};
}

void CProcess::CreateLiveUpdate() {
    controller_->SetLiveUpdateCheck([this] { RecheckForUpdate(); });
}

void CProcess::RecheckForUpdate() {
    // Refusals while a check runs add nothing to it.
    if (updateRunning_) return;
    if (updateCheck_.joinable()) updateCheck_.join();
    updateRunning_ = true;
    updateCheck_ = std::thread([this] {
        bool newer = FetchUpdate(LiveUpdate());
        queue_.PostTask([this, newer] {
            updateRunning_ = false;
            if (newer && OfferUpdate(LiveUpdate()) == UpdateOutcome::kUpdaterRun) {
                queue_.Quit(kExitUpdating);
            }
        });
    });
}

void CProcess::StopLiveUpdate() {
    updateStop_ = true;
    if (updateCheck_.joinable()) updateCheck_.join();
}

}  // namespace velorin
