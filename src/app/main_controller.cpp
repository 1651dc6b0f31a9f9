#include "app/main_controller.h"

#include "app/exit_codes.h"
#include "app/main_texts.h"
#include "data/process_options.h"
#include "data/settings.h"
#include "fileserver/file_server.h"
#include "platform/clock.h"
#include "platform/local_time.h"
#include "platform/status_lines.h"
#include "platform/strings.h"
#include "platform/window_messages.h"
#include "service/cache_client.h"
#include "service/server_list.h"
#include "service/session_client.h"

namespace velorin {

namespace {

constexpr int64_t kRestrictionDays = 259200;

}  // namespace

std::string HomePageText(MemberState state) {
    switch (state) {
        case MemberState::kOnline:
            return main_text::kHomeOnline;
        case MemberState::kConnecting:
            return main_text::kHomeConnecting;
        case MemberState::kOffline:
            break;
    }
    return main_text::kHomeOffline;
}

bool IsPointPurchaseAddress(const std::string& url) {
    return url.find("perboard_app.php") != std::string::npos ||
           url.find("pointbuy_step2_") != std::string::npos;
}

CMainController::CMainController(MainControllerParts parts)
    : CWindowTarget(parts.queue), parts_(std::move(parts)), ui_(parts_.ui) {}

CMainController::~CMainController() = default;

void CMainController::Open() {
    SetState(MemberState::kOffline);
    bool autoLogin = parts_.settings.Read(setting::AutoLogin) != 0;
    Queue().PostMessage(Handle(), autoLogin ? WM_SIGN_IN : WM_SHOW_SIGN_IN);
    Queue().SetTimer(Handle(), kInterfaceTimer, kTickPeriod);
}

void CMainController::OnMessage(const Message& message) {
    switch (message.message) {
        case WM_SIGN_IN: {
            const auto* typed = std::any_cast<SignInCredentials>(&message.payload);
            SignIn(typed ? std::optional<SignInCredentials>(*typed) : std::nullopt);
            break;
        }
        case WM_SHOW_SIGN_IN:
            ui_.ShowSignInDialog();
            break;
        case WM_SESSION_STEP:
            OnSessionStep(static_cast<int>(message.wParam), static_cast<int32_t>(message.lParam));
            break;
        case WM_LINK_LOST:
            OnLinkLost(static_cast<int>(message.wParam), message.lParam);
            break;
        case WM_DUPLICATE_LOGIN:
            OnDuplicateLogin(message.wParam);
            break;
        case WM_MEMBER_INFO:
            OnMemberInfo();
            break;
        case WM_SERVER_LIST_DONE:
            OnServerListDone();
            break;
        case WM_NOTE_ARRIVED:
            OnNoteArrived(message);
            break;
        case WM_TIMER:
            if (message.wParam == kInterfaceTimer) OnTick();
            if (message.wParam == kReconnectTimer) OnReconnectTimer();
            break;
        default:
            break;
    }
}

// --- member information, the server list, notes ---------------------------

void CMainController::OnMemberInfo() {
    parts_.fileServer.SetMemberValue(parts_.standing.visitorValue);
    ui_.SetStatusPane(kPaneService, ServicePaneText());
    int32_t warnings = static_cast<int32_t>(parts_.standing.warnings.load());
    uint32_t restriction = parts_.standing.restrictionTime;
    if (warnings == 0) return;
    if (warnings >= 1 && warnings <= 3) {
        if (restriction == 0) return;
        LocalTime until = ToLocalTime(static_cast<std::time_t>(restriction + kRestrictionDays));
        ui_.ShowMessage(Format(main_text::kRestricted, warnings, until.year, until.month, until.day,
                               until.hour, until.minute),
                        kAppName);
        return;
    }
    ui_.ShowMessage(Format(main_text::kBanned, warnings), kAppName);
}

void CMainController::OnServerListDone() {
    Status(server_list_text::kDone, kStatusInformation);
    if (parts_.serverListArrived) parts_.serverListArrived();
    if (parts_.linkPending() && linkHandler_) linkHandler_();
}

void CMainController::OnNoteArrived(const Message& message) {
    const auto* sender = std::any_cast<std::string>(&message.payload);
    ui_.NotesChanged();
    if (!sender || parts_.options.PopupMsg == 0) return;
    // A flood of notes would bury the desktop in pop-ups; every note is kept
    // all the same.
    std::chrono::milliseconds now = parts_.clock.Now();
    if (lastNotePopup_ && now - *lastNotePopup_ < kNotePopupGap) return;
    lastNotePopup_ = now;
    ui_.ShowPopup(Format(main_text::kNoteArrived, sender->c_str()), kPopupNote);
}

void CMainController::LinkArrived() {
    if (!parts_.serverRunning) {
        ui_.ShowSignInDialog();
        return;
    }
    if (linkHandler_) linkHandler_();
}

// --- commands -----------------------------------------------------------------

Refusal CMainController::StopServer() {
    ++stops_;
    reconnect_ = false;
    Queue().KillTimer(Handle(), kReconnectTimer);
    if (!parts_.serverRunning) {
        if (!parts_.session.IsRunning() && !parts_.cache.IsRunning()) {
            return std::string(main_text::kNotOnline);
        }
        Disconnect();
        CloseConnecting();
        SetState(MemberState::kOffline);
        return std::nullopt;
    }
    ui_.OpenUrl(WebAddress() + "logout.php", false);
    Disconnect();
    Status(main_text::kStoppedByUser, kStatusOperation);
    SetState(MemberState::kOffline);
    return std::nullopt;
}

Refusal CMainController::RefreshServerList() {
    switch (parts_.session.RequestServerList(0)) {
        case CSessionClient::ListRequest::kNotRunning:
            Status(server_list_text::kNotRunning, kStatusInformation);
            // A sign-in may have started while the question was open.
            if (ui_.AskYesNo(server_list_text::kAskConnect, kAppName) &&
                state_ == MemberState::kOffline)
                ui_.ShowSignInDialog();
            return std::string(server_list_text::kNotRunning);
        case CSessionClient::ListRequest::kAlreadyRunning:
            Status(server_list_text::kAlreadyRequested, kStatusInformation);
            return std::string(server_list_text::kAlreadyRequested);
        case CSessionClient::ListRequest::kStarted:
        case CSessionClient::ListRequest::kQueued:
            Status(server_list_text::kDownloading, kStatusInformation);
            return std::nullopt;
        case CSessionClient::ListRequest::kNotSent:
            break;
    }
    return std::string(main_text::kListNotSent);
}

Refusal CMainController::RefreshPoints() {
    if (!parts_.serverRunning) return std::string(main_text::kNotOnline);
    Status(main_text::kRefreshPoints, kStatusInformation);
    parts_.cache.RequestBalance();
    return std::nullopt;
}

bool CMainController::Exit() {
    if (!ui_.AskYesNo(main_text::kAskExit, main_text::kExitCaption)) return false;
    Queue().Quit(kExitShutdown);
    return true;
}

void CMainController::HomeLink(const std::string& keyword) {
    if (keyword == "START") {
        StartServer();
    } else if (keyword == "STOP") {
        StopServer();
    } else if (keyword == "LOG") {
        ui_.OpenFolder(parts_.logFolder.string());
    } else if (keyword == "CONFIG") {
        ui_.OpenOptions();
    } else if (keyword == "REFRESHPOINT") {
        RefreshPoints();
    }
}

// --- what the person sees -----------------------------------------------------

void CMainController::SetState(MemberState state) {
    state_ = state;
    ui_.SetMemberState(state);
}

void CMainController::ShowConnecting(const std::string& message) {
    connectingShown_ = true;
    ui_.ShowConnecting(message);
}

void CMainController::CloseConnecting() {
    if (!connectingShown_) return;
    connectingShown_ = false;
    ui_.CloseConnecting();
}

void CMainController::Status(const std::string& message, int kind) {
    parts_.status.AddStatusLine(message, kind);
}

void CMainController::Popup(const std::string& message) {
    ui_.ShowPopup(message, kPopupSession);
}

}  // namespace velorin
