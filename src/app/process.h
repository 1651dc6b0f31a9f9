#pragma once
// The process context: every object that lives for the whole run, created by
// start-up in its order and handed to each part as the narrow set of objects it
// uses. Exactly one exists at a time; tests create and tear down their own.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/activity_counts.h"
#include "app/control_commands.h"
#include "app/exit_codes.h"
#include "app/sign_in_credentials.h"
#include "data/badword_filter.h"
#include "data/complete_list.h"
#include "data/note_box.h"
#include "data/note_store.h"
#include "data/process_options.h"
#include "data/settings.h"
#include "data/share_database.h"
#include "fileserver/activity_counters.h"
#include "fileserver/point_balance.h"
#include "fileserver/search_robot.h"
#include "net/udp_socket.h"
#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/log_writer.h"
#include "platform/message_queue.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/single_instance.h"
#include "platform/status_lines.h"
#include "service/cache_client.h"
#include "service/live_update.h"
#include "service/reachability_probe.h"
#include "service/server_list.h"
#include "service/session_client.h"
#include "views/friend_dialog.h"
#include "views/option_sheet.h"
#include "views/share_folder_page.h"

namespace velorin {

class CBrowseSession;
class CBrowseWords;
class CSearchWords;
class CSearchTermsView;
class CSearchView;
class CServerListView;
class CFileServer;
class CMainController;
class CServerExplorer;
class CServerView;
class CTransferManager;
class CTransferView;
class IUserInterface;
struct CFileLink;
struct MainControllerParts;

inline constexpr const char* kTextDataUnreadable =
    "환경 설정 파일을 읽을수 없습니다. 홈페이지를 통해 문의하세요";
// Written as cautions once the process runs, when the probe found this machine unreachable.
inline constexpr const char* kTextUnreachable =
    "공유기(NAT), 방화벽이 세팅된 환경이거나 회선이 불량합니다.";
inline constexpr const char* kTextServerMayFail =
    "서버가 제대로 동작하지 않을수 있습니다. 자세한 내용은 홈페이지을 참고하세요";
inline constexpr const char* kTextLinksNotPrepared = "서버의 초기화에 실패했습니다.";

class CProcess {
public:
    CProcess(ProfileLocation profile, IUserInterface& ui, const IClock& clock = SystemClock());
    ~CProcess();
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    // Start-up through the opening of the main window, the reachability probe
    // included.
    // `argument` is a link or file name from the command line. Returns the exit
    // code when the process must end now. A negative verdict is reported by the
    // first turn of the loop that follows.
    std::optional<int> Start(const std::optional<std::string>& argument);
    // Runs between the steps of the start-up's waits (the probe), so that a
    // window shown meanwhile (the splash) keeps drawing.
    void SetStartupPump(std::function<void()> pump) { startupPump_ = std::move(pump); }
    // Stops what runs, in order; the context stays usable for reading. The
    // cache link ends last, without a sign-off.
    void Shutdown();
    // The empty data files with their tables that a new profile gets (an
    // installer's job on Windows); tools that seed a profile use it as well.
    static bool ProvisionProfile(const std::filesystem::path& folder);

    const ProfileLocation& Profile() const { return profile_; }
    IUserInterface& Ui() { return ui_; }
    const IClock& Clock() const { return clock_; }
    CMessageQueue& Queue() { return queue_; }
    CLogWriter& Log() { return log_; }
    CStatusLines& Status() { return status_; }
    CRegistry& Registry() { return registry_; }
    CShareDatabase& ShareDatabase() { return shareDatabase_; }
    CCompleteList& CompleteList() { return completeList_; }
    CSettings& Settings() { return settings_; }
    CProcessOptions& Options() { return options_; }
    // The shared word list, read as start-up found it; any thread.
    CBadWordFilter& WordFilter() { return wordFilter_; }
    CControlCommands& Commands() { return commands_; }
    ReachabilityVerdict Reachability() const { return reachability_; }
    CPointBalance& PointBalance() { return pointBalance_; }
    ActivityCounters& Counters() { return counters_; }
    MemberStanding& Standing() { return standing_; }
    std::atomic<bool>& ServerRunning() { return serverRunning_; }
    CServerList& ServerList() { return serverList_; }
    CSessionClient& Session() { return session_; }
    CCacheClient& Cache() { return cache_; }
    // Null before start-up has made it and after shutdown.
    CMainController* Controller() { return controller_.get(); }

    // The member signed in (or signing in) and the password as typed: the
    // reconnection, the account page and a ticket purchase need it, and the
    // saved UserPW may not exist. Any thread.
    SignInCredentials Credentials() const;
    void SetCredentials(SignInCredentials credentials);

    // The member's own file server, created at start-up step 11 (see
    // process_file_server.cpp). `port` is the listening port argument: 0 with
    // AUTOPORT on (the system chooses), else LISTENPORT.
    CFileServer& FileServer() { return *fileServer_; }
    // The member's server view's model, made with the file server.
    CServerView* ServerView() { return serverView_.get(); }
    // Listens without accepting yet (the sign-in reports the port): the bound
    // port in host order, 0 when it cannot be opened.
    uint16_t OpenFileServer(uint16_t port);
    // Accepts visitors with the limits MAXDOWN + 1 and MAXUP + 1, opening the
    // port first unless it is open already: the bound port, 0 on failure.
    uint16_t StartFileServer(uint16_t port);
    // Closes the port and ends every visitor session; harmless when stopped.
    void StopFileServer();
    // The browse session and the server explorer's model (see
    // process_browse.cpp); null before start-up has made them. The explorer
    // goes at shutdown, the session stays (stopped).
    CBrowseSession* Browse() { return browse_.get(); }
    CServerExplorer* Explorer() { return explorer_.get(); }
    CServerListView* ServerListView() { return serverListView_.get(); }
    void StopBrowse();
    // The search robot's datagram socket, the robot, its stop.
    uint16_t OpenSearchPort(uint16_t port);
    void StartSearchRobot();
    void StopSearchRobot();
    CSearchRobot& SearchRobot() { return searchRobot_; }
    // Null before start-up has made them and after shutdown.
    CSearchTermsView* SearchTerms() { return searchTerms_.get(); }
    CSearchView* SearchView() { return searchView_.get(); }
    ActivityCounts Activity() const;
    // The note box's model (see process_notes.cpp); null before start-up has made it.
    CNoteBox* NoteBox() { return noteBox_.get(); }

    // The member's own transfer list: reservations, queues and their workers
    // (see process_transfers.cpp). Exists for the whole life of the context.
    CTransferManager& Transfers() { return *transfers_; }
    // The transfer view's model; null before start-up has made it.
    CTransferView* TransferView() { return transferView_.get(); }

    // A "VEL://" link waiting for the server list (from the command line or another start).
    std::optional<std::string> PendingLink() const { return pendingLink_; }
    void SetPendingLink(std::optional<std::string> link) { pendingLink_ = std::move(link); }
    // While the own server runs: a file link reserves its download, a server
    // link opens the explorer on that member; the pending link goes either way
    // (see process_links.cpp). Runs on the loop's thread.
    void HandlePendingLink();
    // The options sheet's model over this context's parts.
    COptionSheet OptionSheet();
    // The share folder lists and the friend dialog over the share database;
    // a failed operation ends the loop with 255 (see process_shares.cpp).
    CShareFolderPage ShareFolderPage();
    CFriendDialog FriendDialog();

private:
    // The status-line hook of the core's parts: any thread, the call's own time.
    std::function<void(const std::string& text, int kind)> StatusSink();
    void ProbeReachability();
    MainControllerParts ControllerParts();
    void WarnIfUnreachable();
    ControlAnswer OnControlRequest(const ControlRequest& request,
                                   const std::atomic<bool>& stopping);
    void HandleOnLoop(const ControlRequest& request, const CControlReply& reply);
    void CreateFileServer();
    void CreateExplorer();
    void CreateSearch();
    void CreateTransfers();
    bool OpenTransferStore();
    void StartTransfers();
    void HaltTransfers();
    void CreateLinks();
    // See process_option_sheet.cpp.
    void CreateSettingsWords();
    MemberPageParts MemberParts();
    void CreateShareWords();
    // See process_live_update.cpp.
    LiveUpdateParts LiveUpdate();
    void CreateLiveUpdate();
    void RecheckForUpdate();
    void StopLiveUpdate();
    void CreateNotes();
    void HandleFileLink(const CFileLink& link);

    ProfileLocation profile_;
    std::function<void()> startupPump_;
    IUserInterface& ui_;
    const IClock& clock_;
    CMessageQueue queue_;
    CLogWriter log_;
    CStatusLines status_;
    CSingleInstance instance_;
    CRegistry registry_;
    CCompleteList completeList_;
    CBadWordFilter wordFilter_;
    CShareDatabase shareDatabase_;
    CAutostartEntry autostart_;
    CSettings settings_;
    CProcessOptions options_;
    CControlCommands commands_;
    std::optional<std::string> pendingLink_;
    ReachabilityVerdict reachability_;
    bool newProfile_ = false;
    // The check after a version refusal; updateRunning_ is the loop's.
    std::thread updateCheck_;
    std::atomic<bool> updateStop_{false};
    bool updateRunning_ = false;

    CPointBalance pointBalance_;
    ActivityCounters counters_;
    MemberStanding standing_;
    std::atomic<bool> serverRunning_{false};
    CServerList serverList_;
    CNoteStore notes_;
    mutable std::mutex credentialsLock_;
    SignInCredentials credentials_;
    // The search robot's socket, then the robot that answers on it.
    CUdpSocket searchSocket_;
    CSearchRobot searchRobot_{searchSocket_, shareDatabase_, clock_, &queue_};
    // After what they store into, so that they stop first.
    CSessionClient session_;
    CCacheClient cache_;
    std::unique_ptr<CMainController> controller_;
    std::unique_ptr<CBrowseSession> browse_;
    std::unique_ptr<CServerExplorer> explorer_;
    // The server list page's model; it connects through the explorer.
    std::unique_ptr<CServerListView> serverListView_;
    // The search page's model (it downloads and connects through the explorer),
    // the current-search-terms window's model, and the words that read them.
    std::unique_ptr<CSearchView> searchView_;
    std::unique_ptr<CSearchTermsView> searchTerms_;
    // The shared-file check in flight.
    std::unique_ptr<CSearchWords> searchWords_;
    // The browse words in flight watch the explorer.
    std::unique_ptr<CBrowseWords> browseWords_;
    std::unique_ptr<CNoteBox> noteBox_;
    // The file server's lists post to it until the server is gone.
    std::unique_ptr<CServerView> serverView_;
    // Last: it uses the objects above until it is gone.
    std::unique_ptr<CFileServer> fileServer_;
    // Its workers use all of the above.
    std::unique_ptr<CTransferManager> transfers_;
    std::unique_ptr<CTransferView> transferView_;
};

}  // namespace velorin
