// The 1100 ms tick's presenter: the status panes, the tray tooltip, the free
// space of the download folder and the periodic balance request.
#include <sys/statvfs.h>

#include "app/main_controller.h"
#include "app/main_texts.h"
#include "data/process_options.h"
#include "fileserver/point_balance.h"
#include "platform/strings.h"
#include "service/cache_client.h"
#include "service/session_client.h"

namespace velorin {

namespace {

constexpr uint32_t kBalanceEveryTicks = 180;
constexpr uint32_t kFreeSpaceEveryTicks = 31;

std::string FreeSpaceText(const std::string& folder) {
    struct statvfs st {};
    if (statvfs(folder.c_str(), &st) != 0) return "";
    double bytes = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
    return Format(main_text::kFreeSpacePane, folder.c_str(), bytes / (1024.0 * 1024.0 * 1024.0));
}

}  // namespace

std::string CMainController::ServicePaneText() const {
    std::string pane = Format(main_text::kServicePane, parts_.credentials().userId.c_str(),
                              parts_.pointBalance.Balance());
    if (parts_.standing.restrictionTime != 0) pane += main_text::kRestrictedSuffix;
    return pane;
}

void CMainController::OnTick() {
    ui_.TickPage();
    bool online = parts_.serverRunning;
    if (online && ++tick_ % kBalanceEveryTicks == 1) parts_.cache.RequestBalance();
    ActivityCounts counts = parts_.activity();
    ui_.SetStatusPane(kPaneBrowsing, Format(main_text::kBrowsingPane, counts.browsing));
    ui_.SetStatusPane(kPaneUploads, Format(main_text::kUploadsPane, counts.sending));
    ui_.SetStatusPane(kPaneDownloads, Format(main_text::kDownloadsPane, counts.receiving));
    if (freeSpaceTick_++ % kFreeSpaceEveryTicks == 0) {
        ui_.SetStatusPane(kPaneFreeSpace, FreeSpaceText(parts_.options.DownloadPath()));
    }
    ui_.SetTrayTooltip(
        online ? Format(main_text::kTrayOnline, counts.browsing, counts.sending, counts.receiving)
               : std::string(main_text::kTrayOffline));
    ui_.SetStatusPane(kPaneService,
                      online ? ServicePaneText() : std::string(main_text::kOfflinePane));
    if (tickHook_) tickHook_();
}

}  // namespace velorin
