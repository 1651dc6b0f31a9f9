#include "app/main_controller.h"

#include <arpa/inet.h>
#include <sys/statvfs.h>

#include <cctype>
#include <cinttypes>
#include <filesystem>
#include <thread>

#include "app/process.h"
#include "platform/status_lines.h"
#include "fileserver/file_server.h"
#include "platform/error_text.h"
#include "platform/local_time.h"
#include "platform/strings.h"
#include "platform/text_encoding.h"
#include "platform/window_messages.h"

namespace velorin {
namespace fs = std::filesystem;

namespace {

// The texts of the main window, as the person sees them.
namespace text {
constexpr const char* kNoServerName =
    "서버설명란이 비어 있습니다. [환경설정]->[필수설정]의 기본설정중 [서버설명]을 입력하세요";
constexpr const char* kShareCountFailed = "치명적인 오류!공유폴더의 전체수를 읽지 못했습니다.";
constexpr const char* kSavePasswordOff =
    "아이디와 패스워드저장 옵션이 꺼져 있습니다. 자동로그인 옵션은 해당 옵션이 선택되어져 있어야합니다.";
constexpr const char* kNoCredentials = "아이디와 패스워드을 입력하시지 않으셨습니다.";
constexpr const char* kNoShareSaved =
    "옵션에 [필수설정]이 설정되어 있지 않습니다. \r\n환경설정의 [필수설정]에서 공유 폴더을 하나 이상을 세팅해주십시오.";
constexpr const char* kComponentsBroken = "어플리케이션의 구성 요소가 파괴되었습니다";
constexpr const char* kNoShareTyped =
    "옵션에 [필수설정] 설정되어 있지 않습니다. \r\n공유 폴더가 하나 이상 세팅되어 있어야합니다.";
constexpr const char* kNoDownloadPath =
    "다운로드 폴더를 지정하지 않으셨습니다. 환경설정의 [필수설정]에서 다운로드 폴더를 지정하셔야합니다.";
constexpr const char* kBadDownloadPath =
    "다운로드 폴더가 잘못되어 있습니다. 환경설정의 [필수설정]에서 다운로드 폴더를 지정하셔야합니다.";
constexpr const char* kSessionNotCreated = "세션프로세스 생성 실패! 연결할수 없습니다.";
constexpr const char* kConnectingStatus = "서버에 연결중입니다. 잠시만 기다려 주십시오";
constexpr const char* kConnectingWindow = "서버에 접속중입니다.잠시만 기다려 주십시오.";

constexpr const char* kSessionConnectFailed =
    "세션 서버에 연결이 실패 하였습니다. 서버 점검중이거나 네트웤 상태가 좋지 않을 경우 발생 할수 있습니다.";
constexpr const char* kTcpAutoPort =
    "TCP 포트를 열수 없습니다. 포트의 할당이 늦어져 초기화에 실패할수 있습니다. 잠시 후 다시 시작해 보십시오.";
constexpr const char* kUdpAutoPort =
    "UDP포트를 열수 없습니다. 포트의 할당이 늦어져 초기화에 실패할수 있습니다. 잠시 후 다시 시작해 보십시오.";
constexpr const char* kTcpStatus = "서버에 연결하지 못했습니다. TCP포트를 열수 없습니다.";
constexpr const char* kTcpPopup = "\n서버에 연결하지 못 했습니다. TCP포트를 열수 없습니다.";
constexpr const char* kUdpStatus = "서버에 연결하지 못했습니다. UDP포트를 열수 없습니다.";
constexpr const char* kUdpPopup = "\n서버에 연결하지 못 했습니다. UDP포트를 열수 없습니다.";
constexpr const char* kAuthRequested = "인증을 요청했습니다. 잠시만 기다려 주십시오.";
constexpr const char* kSignInNotSent = "네트워크 오류:인증 요청에 실패 했습니다.";
// Sign-in refusals -1 to -4: status line, pop-up.
constexpr const char* kRefused[4][2] = {
    {"서버에 연결하지 못했습니다. 서비스 장애", "\n\n서버에 연결하지 못했습니다. 서비스 장애"},
    {"서버에 연결하지 못했습니다. 잘못된 인증정보", "\n\n인증 실패:아이디와 패스워드를 확인하세요!"},
    {"서버에 연결하지 못했습니다. 이미 로그인중", "\n\n인증 실패:이미 해당 로그인중입니다!"},
    {"서버에 연결하지 못했습니다. 잘못된 버젼", "\n\n인증 실패:잘못된 버젼!"},
};
constexpr const char* kCacheNotStartedStatus = "서버에 연결하지 못했습니다. 로그인요청에 실패 했습니다.";
constexpr const char* kCacheNotStartedPopup =
    "결재 서버에 연결 실패하였습니다. 서버 점검 시간이거나 회선에 문제가 발생했습니다.";
constexpr const char* kOnlineStatus = "서버 인증작업이 끝났습니다. 서버를 시작합니다.";
constexpr const char* kOnlinePopup = "\n서비스를 시작합니다. 인증이 마무리 되었습니다.";
constexpr const char* kCacheUnreachable = "\n\n인증 실패:결재 서버에 연결하지 못했습니다.";
constexpr const char* kCacheRefused = "\n\n인증 실패:결재 서버에 로그인을 실패 했습니다.";

constexpr const char* kSessionLost = "세션서버로 부터 접속이 끊어졌습니다. 서버를 중지합니다. (%s)";
constexpr const char* kCacheLost = "캐쉬서버로 부터 접속이 끊어졌습니다. 서버를 중지합니다. (%s)";
constexpr const char* kDuplicate = "다른곳에서 동일한 아이디로 로그인 하였습니다. 접속을 해제합니다.";

constexpr const char* kServicePane = "서비스 중(%s) - 현재 포인트 : %" PRId64;
constexpr const char* kRestrictedSuffix = ", 서버운영 제한";
constexpr const char* kOfflinePane = "서버에 연결 하시려면 \"[벨로린홈]->[서버 연결]\" 을 누르세요";
constexpr const char* kRestricted =
    "비신사적인 행위로 인해 %d회 경고로 %04d/%02d/%02d %02d:%02d 까지 서버운영이 제한됩니다.자세한 내용은 홈페이지을 참고 하세요";
constexpr const char* kBanned =
    "비신사적인 행위로 인해 %d회 경고로 서버운영이 영구 제한 됩니다. \r\n자세한 내용은 홈페이지을 참고 하세요";
constexpr const char* kBrowsingPane = "탐색:%u명";
constexpr const char* kUploadsPane = "업로드:%u명";
constexpr const char* kDownloadsPane = "다운로드:%u명";
constexpr const char* kFreeSpacePane = "(%s)%.2fG free";
constexpr const char* kTrayOnline = "VELORIN - 탐색:%u명, 업로드:%u명, 다운로드:%u명";
constexpr const char* kTrayOffline = "VELORIN - 오프라인";

constexpr const char* kNoteArrived = "\n%s 님으로 부터 쪽지가 도착했습니다.";
constexpr const char* kRefreshPoints = "포인트정보를 갱신합니다. 상태바의 현재 포인트를 확인하세요.";
constexpr const char* kStoppedByUser = "사용자에 의해 서버가 종료되었습니다.";
constexpr const char* kAskExit = "종료하시겠습니까?";
constexpr const char* kExitCaption = "벨로린";

// Refusals of the commands that the Parts give no text for.
constexpr const char* kAlreadyOnline = "already signed in";
constexpr const char* kNotOnline = "not signed in";
constexpr const char* kListNotSent = "the list request could not be queued";
}  // namespace text

constexpr uint32_t kBalanceEveryTicks = 180;
constexpr uint32_t kFreeSpaceEveryTicks = 31;
constexpr int64_t kRestrictionDays = 259200;
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

std::string FreeSpaceText(const std::string& folder) {
    struct statvfs st{};
    if (statvfs(folder.c_str(), &st) != 0) return "";
    double bytes = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
    return Format(text::kFreeSpacePane, folder.c_str(), bytes / (1024.0 * 1024.0 * 1024.0));
}

}  // namespace

std::string HomePageText(MemberState state) {
    switch (state) {
        case MemberState::kOnline:
            return "<font color=\"#000000\"><B>서버에 연결되었습니다.</B> 서비스를 사용하실수 있습니다.</font>"
                   "   <A HREF=APP:STOP><font color=\"#0033FF\"><b>접속종료</b></font></A>"
                   "   <A HREF=APP:LOG><font color=\"#0033dd\" size=\"+5\"><b>로그보기</b></font></A>"
                   "   <A HREF=APP:REFRESHPOINT><font color=\"#0033dd\" size=\"+5\"><b>포인트 정보 갱신</b></font></A>";
        case MemberState::kConnecting:
            return "<font color=\"#000000\"><B>현재 접속 시도 중입니다. 잠시만 기다려 주십시오.</B></font>";
        case MemberState::kOffline:
            break;
    }
    return "<A HREF=APP:START><font color=\"#000000\" ><b>★서버에 연결해야 사용하실 수 있습니다.</B></font></A>"
           "   <A HREF=APP:START><font color=\"#ff00ff\" size=\"+5\"><b>[서버 연결]</b></font></A>"
           "  <A HREF=APP:CONFIG><font color=\"#0033dd\" size=\"+5\"><b>환경 설정</b></font></A>"
           " <A HREF=APP:LOG><font color=\"#0033dd\" size=\"+5\"><b>로그보기</b></font></A>";
}

bool IsPointPurchaseAddress(const std::string& url) {
    return url.find("perboard_app.php") != std::string::npos ||
           url.find("pointbuy_step2_") != std::string::npos;
}

CMainController::CMainController(CProcess& process)
    : CWindowTarget(process.Queue()), process_(process), ui_(process.Ui()) {}

CMainController::~CMainController() = default;

void CMainController::Open() {
    SetState(MemberState::kOffline);
    bool autoLogin = process_.Settings().Read(setting::AutoLogin) != 0;
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

// --- the sign-in flow -------------------------------------------------------

Refusal CMainController::SignIn(const std::optional<SignInCredentials>& typed) {
    Refusal refusal = RunSignIn(typed);
    if (refusal) SetState(MemberState::kOffline);
    return refusal;
}

Refusal CMainController::Refuse(const std::string& message) {
    ui_.ShowMessage(message, kAppName);
    return message;
}

Refusal CMainController::RefuseWithOptions(const std::string& message,
                                           const std::optional<SignInCredentials>& typed) {
    ui_.ShowMessage(message, kAppName);
    if (ui_.OpenOptions()) return RunSignIn(typed);
    return message;
}

Refusal CMainController::RunSignIn(const std::optional<SignInCredentials>& typed) {
    Disconnect();
    SetState(MemberState::kConnecting);
    CSettings& settings = process_.Settings();
    if (settings.GetServerName().empty()) return RefuseWithOptions(text::kNoServerName, typed);

    uint32_t shared = 0;
    SignInCredentials credentials;
    if (!typed) {
        credentials.userId = settings.GetUserID();
        if (!settings.GetUserPW(credentials.password)) credentials.password.clear();
        bool savePassword = settings.Read(setting::SavePassword) != 0;
        if (!process_.ShareDatabase().CountShareFolders(shared)) {
            ui_.ShowMessage(text::kShareCountFailed, kAppName);
            Queue().Quit(kExitFatal);
            return text::kShareCountFailed;
        }
        bool complete = !credentials.userId.empty() && !credentials.password.empty();
        if (!savePassword || !complete || shared == 0) {
            process_.SetCredentials({});
            if (!savePassword || shared > 0) {
                Refusal refusal = Refuse(savePassword ? text::kNoCredentials : text::kSavePasswordOff);
                ui_.ShowSignInDialog();
                return refusal;
            }
            return RefuseWithOptions(text::kNoShareSaved, typed);
        }
    } else {
        if (!process_.ShareDatabase().CountShareFolders(shared)) {
            ui_.ShowMessage(text::kComponentsBroken, kAppName);
            Queue().Quit(kExitFatal);
            return text::kComponentsBroken;
        }
        if (shared == 0) return RefuseWithOptions(text::kNoShareTyped, typed);
        credentials.userId = CutToCp949Bytes(typed->userId, kUserIdLimit);
        credentials.password = CutToCp949Bytes(typed->password, kPasswordLimit);
    }

    std::string downloads = process_.Options().DownloadPath();
    if (downloads.empty()) return RefuseWithOptions(text::kNoDownloadPath, typed);
    std::error_code ec;
    if (!fs::is_directory(downloads, ec)) return RefuseWithOptions(text::kBadDownloadPath, typed);

    process_.SetCredentials(credentials);
    process_.ServerRunning() = false;
    process_.Cache().ClearPendingReplies();
    signInRefused_ = false;
    if (process_.Session().Start(credentials.userId, credentials.password) < 0) {
        return Refuse(text::kSessionNotCreated);
    }
    Status(text::kConnectingStatus, kStatusOperation);
    ShowConnecting(text::kConnectingWindow);
    return std::nullopt;
}

Refusal CMainController::StartServer() {
    if (process_.ServerRunning()) return std::string(text::kAlreadyOnline);
    return SignIn(std::nullopt);
}

void CMainController::OnSessionStep(int step, int32_t code) {
    switch (step) {
        case 0:
            Fail(text::kSessionConnectFailed, text::kSessionConnectFailed);
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
    CSettings& settings = process_.Settings();
    if (settings.Read(setting::AUTOPORT) != 0) return 0;
    return static_cast<uint16_t>(settings.Read(setting::LISTENPORT));
}

void CMainController::OnSessionConnected() {
    // A step of a link that a disconnect has stopped meanwhile is stale.
    if (!process_.Session().IsRunning()) return;
    bool autoPort = process_.Settings().Read(setting::AUTOPORT) != 0;
    uint16_t port = OwnServerPort();
    uint16_t tcpPort = process_.OpenFileServer(port);
    if (tcpPort == 0) {
        autoPort ? Fail(text::kTcpAutoPort, text::kTcpAutoPort) : Fail(text::kTcpStatus, text::kTcpPopup);
        return;
    }
    uint16_t udpPort = process_.OpenSearchPort(port);
    if (udpPort == 0) {
        autoPort ? Fail(text::kUdpAutoPort, text::kUdpAutoPort) : Fail(text::kUdpStatus, text::kUdpPopup);
        return;
    }
    ShowConnecting(text::kAuthRequested);
    CSettings& settings = process_.Settings();
    SignInAnnouncement announcement;
    announcement.version = settings.Read(setting::VERSION);
    announcement.category = static_cast<int8_t>(settings.Read(setting::DataGroup));
    announcement.description = settings.GetServerName();
    // The sockets' ports are sent as they report them: network byte order.
    announcement.tcpPort = htons(tcpPort);
    announcement.udpPort = htons(udpPort);
    announcement.quickSend = process_.Options().QUICKSEND;
    announcement.reachability = process_.Reachability();
    if (process_.Session().SendSignIn(announcement) < 0) {
        Fail(text::kSignInNotSent, text::kSignInNotSent);
    }
}

void CMainController::OnSignInRefused(int32_t code) {
    // Set first: stopping the link may dispatch its lost-link report.
    signInRefused_ = true;
    Disconnect();
    process_.ServerRunning() = false;
    SetState(MemberState::kOffline);
    CloseConnecting();
    if (code < -4 || code > -1) return;
    Status(text::kRefused[-code - 1][0], kStatusOperation);
    Popup(text::kRefused[-code - 1][1]);
    if (code == -4 && liveUpdateCheck_) liveUpdateCheck_();
}

void CMainController::OnSessionAccepted() {
    if (!process_.Session().IsRunning()) return;
    SignInCredentials credentials = process_.Credentials();
    if (process_.Cache().Start(credentials.userId, credentials.password) < 0) {
        Fail(text::kCacheNotStartedStatus, text::kCacheNotStartedPopup);
    }
}

void CMainController::OnOnline() {
    if (!process_.Session().IsRunning() || !process_.Cache().IsRunning()) return;
    CloseConnecting();
    process_.StartFileServer(OwnServerPort());
    process_.StartSearchRobot();
    process_.ServerRunning() = true;
    tick_ = 0;
    SetState(MemberState::kOnline);
    Status(text::kOnlineStatus, kStatusOperation);
    Popup(text::kOnlinePopup);
    RefreshServerList();
    SignInCredentials credentials = process_.Credentials();
    ui_.OpenUrl(WebAddress() + "loginProc.php?userid=" + QueryValue(credentials.userId) +
                    "&userpw=" + QueryValue(credentials.password),
                true);
    reconnect_ = false;
}

void CMainController::OnCacheFailed(int32_t code) {
    signInRefused_ = true;
    Disconnect();
    process_.ServerRunning() = false;
    SetState(MemberState::kOffline);
    CloseConnecting();
    Popup(code == 0 ? text::kCacheUnreachable : text::kCacheRefused);
}

void CMainController::Fail(const std::string& status, const std::string& popup) {
    Disconnect();
    process_.ServerRunning() = false;
    CloseConnecting();
    SetState(MemberState::kOffline);
    Status(status, kStatusOperation);
    Popup(popup);
}

// --- lost links, duplicate sign-in, member information ----------------------

void CMainController::OnLinkLost(int error, intptr_t link) {
    CloseConnecting();
    Disconnect();
    if (signInRefused_) return;
    std::string message =
        Format(link == kSessionLink ? text::kSessionLost : text::kCacheLost, ErrorText(error).c_str());
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
    SignInCredentials credentials = process_.Credentials();
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
    Status(text::kDuplicate, kStatusCaution);
    Popup(text::kDuplicate);
    SetState(MemberState::kOffline);
}

std::string CMainController::ServicePaneText() const {
    std::string pane = Format(text::kServicePane, process_.Credentials().userId.c_str(),
                              process_.PointBalance().Balance());
    if (process_.Standing().restrictionTime != 0) pane += text::kRestrictedSuffix;
    return pane;
}

void CMainController::OnMemberInfo() {
    process_.FileServer().SetMemberValue(process_.Standing().visitorValue);
    ui_.SetStatusPane(kPaneService, ServicePaneText());
    int32_t warnings = static_cast<int32_t>(process_.Standing().warnings.load());
    uint32_t restriction = process_.Standing().restrictionTime;
    if (warnings == 0) return;
    if (warnings >= 1 && warnings <= 3) {
        if (restriction == 0) return;
        LocalTime until = ToLocalTime(static_cast<std::time_t>(restriction + kRestrictionDays));
        ui_.ShowMessage(Format(text::kRestricted, warnings, until.year, until.month, until.day,
                               until.hour, until.minute),
                        kAppName);
        return;
    }
    ui_.ShowMessage(Format(text::kBanned, warnings), kAppName);
}

void CMainController::OnServerListDone() {
    Status(server_list_text::kDone, kStatusInformation);
    ui_.ServerListChanged();
    if (process_.PendingLink() && linkHandler_) linkHandler_();
}

void CMainController::OnNoteArrived(const Message& message) {
    const auto* sender = std::any_cast<std::string>(&message.payload);
    if (!sender || process_.Options().PopupMsg == 0) return;
    // A flood of notes would bury the desktop in pop-ups; every note is kept
    // all the same.
    std::chrono::milliseconds now = process_.Clock().Now();
    if (lastNotePopup_ && now - *lastNotePopup_ < kNotePopupGap) return;
    lastNotePopup_ = now;
    ui_.ShowPopup(Format(text::kNoteArrived, sender->c_str()), kPopupNote);
}

void CMainController::LinkArrived() {
    if (!process_.ServerRunning()) {
        ui_.ShowSignInDialog();
        return;
    }
    if (linkHandler_) linkHandler_();
}

// --- the tick ---------------------------------------------------------------

void CMainController::OnTick() {
    bool online = process_.ServerRunning();
    if (online && ++tick_ % kBalanceEveryTicks == 1) process_.Cache().RequestBalance();
    ActivityCounts counts = process_.Activity();
    ui_.SetStatusPane(kPaneBrowsing, Format(text::kBrowsingPane, counts.browsing));
    ui_.SetStatusPane(kPaneUploads, Format(text::kUploadsPane, counts.sending));
    ui_.SetStatusPane(kPaneDownloads, Format(text::kDownloadsPane, counts.receiving));
    if (freeSpaceTick_++ % kFreeSpaceEveryTicks == 0) {
        ui_.SetStatusPane(kPaneFreeSpace, FreeSpaceText(process_.Options().DownloadPath()));
    }
    ui_.SetTrayTooltip(online ? Format(text::kTrayOnline, counts.browsing, counts.sending,
                                       counts.receiving)
                              : std::string(text::kTrayOffline));
    ui_.SetStatusPane(kPaneService, online ? ServicePaneText() : std::string(text::kOfflinePane));
    if (tickHook_) tickHook_();
}

// --- commands -----------------------------------------------------------------

Refusal CMainController::StopServer() {
    reconnect_ = false;
    Queue().KillTimer(Handle(), kReconnectTimer);
    if (!process_.ServerRunning()) {
        if (!process_.Session().IsRunning() && !process_.Cache().IsRunning()) {
            return std::string(text::kNotOnline);
        }
        Disconnect();
        CloseConnecting();
        SetState(MemberState::kOffline);
        return std::nullopt;
    }
    ui_.OpenUrl(WebAddress() + "logout.php", false);
    Disconnect();
    Status(text::kStoppedByUser, kStatusOperation);
    SetState(MemberState::kOffline);
    return std::nullopt;
}

Refusal CMainController::RefreshServerList() {
    switch (process_.Session().RequestServerList(0)) {
        case CSessionClient::ListRequest::kNotRunning:
            Status(server_list_text::kNotRunning, kStatusInformation);
            if (ui_.AskYesNo(server_list_text::kAskConnect, kAppName)) ui_.ShowSignInDialog();
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
    return std::string(text::kListNotSent);
}

Refusal CMainController::RefreshPoints() {
    if (!process_.ServerRunning()) return std::string(text::kNotOnline);
    Status(text::kRefreshPoints, kStatusInformation);
    process_.Cache().RequestBalance();
    return std::nullopt;
}

bool CMainController::Exit() {
    if (!ui_.AskYesNo(text::kAskExit, text::kExitCaption)) return false;
    Queue().Quit(kExitShutdown);
    return true;
}

void CMainController::HomeLink(const std::string& keyword) {
    if (keyword == "START") {
        StartServer();
    } else if (keyword == "STOP") {
        StopServer();
    } else if (keyword == "LOG") {
        ui_.OpenFolder((process_.Profile().folder / "Log").string());
    } else if (keyword == "CONFIG") {
        ui_.OpenOptions();
    } else if (keyword == "REFRESHPOINT") {
        RefreshPoints();
    }
}

void CMainController::Disconnect() {
    if (disconnecting_) return;
    disconnecting_ = true;
    bool wasOnline = process_.ServerRunning().exchange(false);
    process_.StopFileServer();
    process_.StopSearchRobot();
    if (wasOnline) std::this_thread::sleep_for(kDisconnectPause);
    // The sign-offs are queued, not waited for.
    if (process_.Session().IsRunning()) process_.Session().SendSignOff();
    process_.Session().Stop();
    if (process_.Cache().IsRunning()) process_.Cache().SendSignOff();
    process_.Cache().Stop();
    disconnecting_ = false;
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
    process_.Status().AddStatusLine(message, kind);
}

void CMainController::Popup(const std::string& message) { ui_.ShowPopup(message, kPopupSession); }

}  // namespace velorin
