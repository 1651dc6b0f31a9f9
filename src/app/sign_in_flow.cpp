// The sign-in chain and its refusals, lost links and the reconnection, a
// sign-in elsewhere, and the disconnect that ends them all.
#include <arpa/inet.h>

#include <cctype>
#include <filesystem>
#include <thread>

#include "app/exit_codes.h"
#include "app/main_controller.h"
#include "app/main_texts.h"
#include "data/process_options.h"
#include "data/settings.h"
#include "data/share_database.h"
#include "platform/error_text.h"
#include "platform/status_lines.h"
#include "platform/strings.h"
#include "platform/text_encoding.h"
#include "platform/window_messages.h"
#include "service/cache_client.h"
#include "service/reachability_probe.h"
#include "service/session_client.h"

namespace velorin {
namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kDisconnectPause(100);

// Each byte outside the unreserved set as %XX, so that an ID or password with
// "&" or "=" reaches the page whole.
std::string QueryValue(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace

Refusal CMainController::SignIn(const std::optional<SignInCredentials>& typed) {
    uint32_t attempt = ++signInAttempts_;
    Refusal refusal = RunSignIn(typed);
    // A sign-in begun while the options dialog was open owns the state now.
    if (refusal && attempt == signInAttempts_) SetState(MemberState::kOffline);
    return refusal;
}

Refusal CMainController::Refuse(const std::string& message) {
    ui_.ShowMessage(message, kAppName);
    return message;
}

Refusal CMainController::RefuseWithOptions(const std::string& message,
                                           const std::optional<SignInCredentials>& typed) {
    ui_.ShowMessage(message, kAppName);
    uint32_t attempts = signInAttempts_;
    uint32_t stops = stops_;
    bool changed = ui_.OpenOptions();
    if (!changed || attempts != signInAttempts_ || stops != stops_ || Queue().QuitRequested()) {
        return message;
    }
    return RunSignIn(typed);
}

Refusal CMainController::RunSignIn(const std::optional<SignInCredentials>& typed) {
    Disconnect();
    SetState(MemberState::kConnecting);
    CSettings& settings = parts_.settings;
    if (settings.GetServerName().empty()) return RefuseWithOptions(main_text::kNoServerName, typed);

    uint32_t shared = 0;
    SignInCredentials credentials;
    if (!typed) {
        credentials.userId = settings.GetUserID();
        if (!settings.GetUserPW(credentials.password)) credentials.password.clear();
        bool savePassword = settings.Read(setting::SavePassword) != 0;
        if (!parts_.shareDatabase.CountShareFolders(shared)) {
            ui_.ShowMessage(main_text::kShareCountFailed, kAppName);
            Queue().Quit(kExitFatal);
            return main_text::kShareCountFailed;
        }
        bool complete = !credentials.userId.empty() && !credentials.password.empty();
        if (!savePassword || !complete || shared == 0) {
            parts_.setCredentials({});
            if (!savePassword || shared > 0) {
                Refusal refusal =
                    Refuse(savePassword ? main_text::kNoCredentials : main_text::kSavePasswordOff);
                ui_.ShowSignInDialog();
                return refusal;
            }
            return RefuseWithOptions(main_text::kNoShareSaved, typed);
        }
    } else {
        if (!parts_.shareDatabase.CountShareFolders(shared)) {
            ui_.ShowMessage(main_text::kComponentsBroken, kAppName);
            Queue().Quit(kExitFatal);
            return main_text::kComponentsBroken;
        }
        if (shared == 0) return RefuseWithOptions(main_text::kNoShareTyped, typed);
        credentials.userId = CutToCp949Bytes(typed->userId, kUserIdLimit);
        credentials.password = CutToCp949Bytes(typed->password, kPasswordLimit);
    }

    std::string downloads = parts_.options.DownloadPath();
    if (downloads.empty()) return RefuseWithOptions(main_text::kNoDownloadPath, typed);
    std::error_code ec;
    if (!fs::is_directory(downloads, ec))
        return RefuseWithOptions(main_text::kBadDownloadPath, typed);

    parts_.setCredentials(credentials);
    parts_.serverRunning = false;
    parts_.cache.ClearPendingReplies();
    signInRefused_ = false;
    if (parts_.session.Start(credentials.userId, credentials.password) < 0) {
        return Refuse(main_text::kSessionNotCreated);
    }
    Status(main_text::kConnectingStatus, kStatusOperation);
    ShowConnecting(main_text::kConnectingWindow);
    return std::nullopt;
}

Refusal CMainController::StartServer() {
    if (parts_.serverRunning) return std::string(main_text::kAlreadyOnline);
    return SignIn(std::nullopt);
}

void CMainController::OnSessionStep(int step, int32_t code) {
    switch (step) {
        case 0:
            Fail(main_text::kSessionConnectFailed, main_text::kSessionConnectFailed);
            break;
        case 1:
            OnSessionConnected();
            break;
        case 2:
            OnSignInRefused(code);
            break;
        case 3:
            OnSessionAccepted();
            break;
        case 4:
            OnOnline();
            break;
        case 5:
            OnCacheFailed(code);
            break;
        default:
            break;
    }
}

uint16_t CMainController::OwnServerPort() const {
    CSettings& settings = parts_.settings;
    if (settings.Read(setting::AUTOPORT) != 0) return 0;
    return static_cast<uint16_t>(settings.Read(setting::LISTENPORT));
}

void CMainController::OnSessionConnected() {
    // A step of a link that a disconnect has stopped meanwhile is stale.
    if (!parts_.session.IsRunning()) return;
    bool autoPort = parts_.settings.Read(setting::AUTOPORT) != 0;
    uint16_t port = OwnServerPort();
    uint16_t tcpPort = parts_.openFileServer(port);
    if (tcpPort == 0) {
        autoPort ? Fail(main_text::kTcpAutoPort, main_text::kTcpAutoPort)
                 : Fail(main_text::kTcpStatus, main_text::kTcpPopup);
        return;
    }
    uint16_t udpPort = parts_.openSearchPort(port);
    if (udpPort == 0) {
        autoPort ? Fail(main_text::kUdpAutoPort, main_text::kUdpAutoPort)
                 : Fail(main_text::kUdpStatus, main_text::kUdpPopup);
        return;
    }
    ShowConnecting(main_text::kAuthRequested);
    CSettings& settings = parts_.settings;
    SignInAnnouncement announcement;
    announcement.version = settings.ReadClientVersion();
    announcement.category = static_cast<int8_t>(settings.Read(setting::DataGroup));
    announcement.description = settings.GetServerName();
    // The sockets' ports are sent as they report them: network byte order.
    announcement.tcpPort = htons(tcpPort);
    announcement.udpPort = htons(udpPort);
    announcement.quickSend = parts_.options.QUICKSEND;
    announcement.reachability = parts_.reachability();
    if (parts_.session.SendSignIn(announcement) < 0) {
        Fail(main_text::kSignInNotSent, main_text::kSignInNotSent);
    }
}

void CMainController::OnSignInRefused(int32_t code) {
    // Set first: stopping the link may dispatch its lost-link report.
    signInRefused_ = true;
    Disconnect();
    parts_.serverRunning = false;
    SetState(MemberState::kOffline);
    CloseConnecting();
    if (code < -4 || code > -1) return;
    Status(main_text::kRefused[-code - 1][0], kStatusOperation);
    Popup(main_text::kRefused[-code - 1][1]);
    if (code == -4 && liveUpdateCheck_) liveUpdateCheck_();
}

void CMainController::OnSessionAccepted() {
    if (!parts_.session.IsRunning()) return;
    SignInCredentials credentials = parts_.credentials();
    if (parts_.cache.Start(credentials.userId, credentials.password) < 0) {
        Fail(main_text::kCacheNotStartedStatus, main_text::kCacheNotStartedPopup);
    }
}

void CMainController::OnOnline() {
    if (!parts_.session.IsRunning() || !parts_.cache.IsRunning()) return;
    CloseConnecting();
    parts_.startFileServer(OwnServerPort());
    parts_.startSearchRobot();
    parts_.serverRunning = true;
    tick_ = 0;
    SetState(MemberState::kOnline);
    Status(main_text::kOnlineStatus, kStatusOperation);
    Popup(main_text::kOnlinePopup);
    RefreshServerList();
    ui_.OpenUrl(AccountPageUrl(parts_.credentials()), true);
    reconnect_ = false;
}

std::string AccountPageUrl(const SignInCredentials& credentials) {
    return WebAddress() + "loginProc.php?userid=" + QueryValue(credentials.userId) +
           "&userpw=" + QueryValue(credentials.password);
}

void CMainController::OnCacheFailed(int32_t code) {
    signInRefused_ = true;
    Disconnect();
    parts_.serverRunning = false;
    SetState(MemberState::kOffline);
    CloseConnecting();
    Popup(code == 0 ? main_text::kCacheUnreachable : main_text::kCacheRefused);
}

void CMainController::Fail(const std::string& status, const std::string& popup) {
    Disconnect();
    parts_.serverRunning = false;
    CloseConnecting();
    SetState(MemberState::kOffline);
    Status(status, kStatusOperation);
    Popup(popup);
}

// --- lost links, the reconnection, a sign-in elsewhere ----------------------

void CMainController::OnLinkLost(int error, intptr_t link) {
    CloseConnecting();
    Disconnect();
    if (signInRefused_) return;
    std::string message =
        Format(link == kSessionLink ? main_text::kSessionLost : main_text::kCacheLost,
               ErrorText(error).c_str());
    Status(message, kStatusCaution);
    Popup("\n" + message);
    SetState(MemberState::kOffline);
    reconnect_ = true;
    Queue().SetTimer(Handle(), kReconnectTimer, kReconnectDelay);
}

void CMainController::OnReconnectTimer() {
    Queue().KillTimer(Handle(), kReconnectTimer);
    if (!reconnect_) return;
    Disconnect();
    SignInCredentials credentials = parts_.credentials();
    credentials.userId = CutToCp949Bytes(credentials.userId, kUserIdLimit);
    credentials.password = CutToCp949Bytes(credentials.password, kPasswordLimit);
    Queue().PostMessage(Handle(), WM_SIGN_IN, 0, 0, credentials);
}

void CMainController::OnDuplicateLogin(uintptr_t value) {
    if (static_cast<int32_t>(value) != -1) return;
    // Being told to leave is a refusal too: no lost-link report, no reconnection
    // that would push the other sign-in out in turn.
    signInRefused_ = true;
    Disconnect();
    Status(main_text::kDuplicate, kStatusCaution);
    Popup(main_text::kDuplicate);
    SetState(MemberState::kOffline);
}

void CMainController::Disconnect() {
    if (disconnecting_) return;
    disconnecting_ = true;
    bool wasOnline = parts_.serverRunning.exchange(false);
    parts_.stopFileServer();
    parts_.stopSearchRobot();
    if (wasOnline) std::this_thread::sleep_for(kDisconnectPause);
    // The sign-offs are queued, not waited for.
    if (parts_.session.IsRunning()) parts_.session.SendSignOff();
    parts_.session.Stop();
    if (parts_.cache.IsRunning()) parts_.cache.SendSignOff();
    parts_.cache.Stop();
    disconnecting_ = false;
}

}  // namespace velorin
