#pragma once
// What the main window decides: the sign-in flow and its steps, lost links
// and the reconnection, duplicate sign-ins, member information, the end of a
// server list download, the 1100 ms tick and the commands of the menus and
// the home page. It speaks to the person only through IUserInterface; the
// desktop window and velorind call the same operations. The sign-in chain
// and its lost links are in sign_in_flow.cpp, the tick in main_tick.cpp.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/activity_counts.h"
#include "app/sign_in_credentials.h"
#include "platform/message_queue.h"
#include "platform/user_interface.h"

namespace velorin {

class CCacheClient;
class CFileServer;
class CPointBalance;
class CProcessOptions;
class CSessionClient;
class CSettings;
class CShareDatabase;
class CStatusLines;
class IClock;
struct MemberStanding;
struct ReachabilityVerdict;

// The process's parts that the main window uses.
struct MainControllerParts {
    CMessageQueue& queue;
    IUserInterface& ui;
    const IClock& clock;
    CSettings& settings;
    CProcessOptions& options;
    CShareDatabase& shareDatabase;
    CSessionClient& session;
    CCacheClient& cache;
    CFileServer& fileServer;
    CStatusLines& status;
    std::atomic<bool>& serverRunning;
    const MemberStanding& standing;
    const CPointBalance& pointBalance;
    // The folder that "로그보기" opens.
    std::filesystem::path logFolder;
    // The member signed in (or signing in), any thread.
    std::function<SignInCredentials()> credentials;
    std::function<void(SignInCredentials)> setCredentials;
    // The own file server and the search robot's socket on `port` (0: the
    // system chooses): the bound port in host order, 0 on failure.
    std::function<uint16_t(uint16_t port)> openFileServer;
    std::function<uint16_t(uint16_t port)> startFileServer;
    std::function<void()> stopFileServer;
    std::function<uint16_t(uint16_t port)> openSearchPort;
    std::function<void()> startSearchRobot;
    std::function<void()> stopSearchRobot;
    std::function<ActivityCounts()> activity;
    // A "VEL://" link waits for the server list.
    std::function<bool()> linkPending;
    std::function<ReachabilityVerdict()> reachability;
    // A server list download ended: the page's model refills.
    std::function<void()> serverListArrived;
};

// The home page's status text (HTML) for a state.
std::string HomePageText(MemberState state);
// The service's account page for the member; it carries the password, so it
// is opened, never printed or logged.
std::string AccountPageUrl(const SignInCredentials& credentials);
// The point purchase pages open in a browser dialog of their own.
bool IsPointPurchaseAddress(const std::string& url);

class CMainController : public CWindowTarget {
public:
    static constexpr uint32_t kInterfaceTimer = 1;
    static constexpr uint32_t kReconnectTimer = 119119;
    static constexpr std::chrono::milliseconds kTickPeriod{1100};
    static constexpr std::chrono::milliseconds kReconnectDelay{40000};
    // At most one note arrival pop-up this often.
    static constexpr std::chrono::milliseconds kNotePopupGap{1000};

    explicit CMainController(MainControllerParts parts);
    ~CMainController() override;

    // The window opens: offline state, the automatic sign-in or the sign-in
    // dialog (posted, so handled after opening), the interface timer.
    void Open();
    void OnMessage(const Message& message) override;

    // The sign-in flow: typed credentials, or the saved ones.
    Refusal SignIn(const std::optional<SignInCredentials>& typed);
    // "서버 시작": the flow with the saved credentials unless already signed in.
    Refusal StartServer();
    // "서버 중지"; while the chain still runs it is abandoned.
    Refusal StopServer();
    // "목록 새로고침".
    Refusal RefreshServerList();
    // "포인트 정보 갱신".
    Refusal RefreshPoints();
    // "종료": asks first; true when the process is to end.
    bool Exit();
    // A click on an "APP:" link of the home page.
    void HomeLink(const std::string& keyword);
    // A "VEL://" link from another start: at once when online, else after the
    // next sign-in's server list.
    void LinkArrived();
    // Stops the own server and both links; keeps the process.
    void Disconnect();

    MemberState State() const { return state_; }

    // Wired by the parts that do the work: the live update check after a
    // refused version, and acting on the pending link.
    void SetLiveUpdateCheck(std::function<void()> check) { liveUpdateCheck_ = std::move(check); }
    // "라이브 업데이트(&L)": the same check, asked for by the person.
    void CheckForUpdateNow() {
        if (liveUpdateCheck_) liveUpdateCheck_();
    }
    void SetLinkHandler(std::function<void()> handler) { linkHandler_ = std::move(handler); }
    // Runs on every tick (the transfer view's periodic update and speed sums).
    void SetTickHook(std::function<void()> hook) { tickHook_ = std::move(hook); }

private:
    Refusal RunSignIn(const std::optional<SignInCredentials>& typed);
    Refusal RefuseWithOptions(const std::string& text,
                              const std::optional<SignInCredentials>& typed);
    Refusal Refuse(const std::string& text);
    void OnSessionStep(int step, int32_t code);
    void OnSessionConnected();
    void OnSignInRefused(int32_t code);
    void OnSessionAccepted();
    void OnOnline();
    void OnCacheFailed(int32_t code);
    void Fail(const std::string& status, const std::string& popup);
    void OnLinkLost(int error, intptr_t link);
    void OnReconnectTimer();
    void OnDuplicateLogin(uintptr_t value);
    void OnMemberInfo();
    void OnServerListDone();
    void OnNoteArrived(const Message& message);
    void OnTick();
    void SetState(MemberState state);
    void ShowConnecting(const std::string& text);
    void CloseConnecting();
    void Status(const std::string& text, int kind);
    void Popup(const std::string& text);
    std::string ServicePaneText() const;
    uint16_t OwnServerPort() const;

    MainControllerParts parts_;
    IUserInterface& ui_;
    MemberState state_ = MemberState::kOffline;
    bool connectingShown_ = false;
    bool signInRefused_ = false;
    bool reconnect_ = false;
    bool disconnecting_ = false;
    // The options dialog dispatches other messages while it is open: its
    // answer is stale once a sign-in or a stop came meanwhile.
    uint32_t signInAttempts_ = 0;
    uint32_t stops_ = 0;
    uint32_t tick_ = 0;
    uint32_t freeSpaceTick_ = 0;
    std::optional<std::chrono::milliseconds> lastNotePopup_;
    std::function<void()> liveUpdateCheck_;
    std::function<void()> linkHandler_;
    std::function<void()> tickHook_;
};

}  // namespace velorin
