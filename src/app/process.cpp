#include "app/process.h"

#include <unistd.h>

#include <cassert>
#include <chrono>
#include <future>
#include <system_error>

#include "app/browse_commands.h"
#include "app/control_words.h"
#include "app/exit_codes.h"
#include "app/main_controller.h"
#include "app/search_commands.h"
#include "data/badword_file.h"
#include "fileserver/file_server.h"
#include "platform/error_text.h"
#include "platform/paths.h"
#include "platform/strings.h"
#include "platform/user_interface.h"
#include "service/live_update.h"
#include "transfer/browse_session.h"
#include "transfer/transfer_manager.h"
#include "views/search_terms_view.h"
#include "views/search_view.h"
#include "views/server_explorer.h"
#include "views/server_list_view.h"
#include "views/server_view.h"
#include "views/transfer_view.h"

namespace velorin {
namespace fs = std::filesystem;

namespace {
// Only for the check that one context exists at a time.
CProcess* g_current = nullptr;
// How long a second start waits for a first instance that is still starting.
constexpr std::chrono::milliseconds kHandoverPatience(3000);
constexpr uint32_t kSplashTimer = 1;
constexpr std::chrono::milliseconds kSplashTick(500);

// The splash window's part in start-up: it polls the probe on its timer and
// keeps the verdict once the probe has ended.
class CProbeSplash final : public CWindowTarget {
public:
    CProbeSplash(CMessageQueue& queue, CReachabilityProbe& probe)
        : CWindowTarget(queue), probe_(probe) {
        queue.SetTimer(Handle(), kSplashTimer, kSplashTick);
    }

    void OnMessage(const Message& message) override {
        if (done_ || message.message != WM_TIMER) return;
        if (!probe_.WaitDone(std::chrono::milliseconds(0))) return;
        int sameAddress = 0;
        uint32_t seenAddress = 0;
        probe_.GetResult(verdict_.reachable, sameAddress, verdict_.roundTrip, seenAddress);
        if (!verdict_.reachable) verdict_.roundTrip = -1;
        Queue().KillTimer(Handle(), kSplashTimer);
        done_ = true;
    }

    bool Done() const { return done_; }
    ReachabilityVerdict Verdict() const { return verdict_; }

private:
    CReachabilityProbe& probe_;
    ReachabilityVerdict verdict_;
    bool done_ = false;
};
}  // namespace

CProcess::CProcess(ProfileLocation profile, IUserInterface& ui, const IClock& clock)
    : profile_(std::move(profile)),
      ui_(ui),
      clock_(clock),
      status_(ui, log_, queue_),
      instance_(profile_.folder),
      autostart_(ExecutablePath(),
                 profile_.isDefault ? std::nullopt : std::optional<fs::path>(profile_.folder)),
      settings_(registry_, shareDatabase_.Mutex(), autostart_),
      notes_(registry_, options_.RecvMessage),
      session_(clock_, serverList_, pointBalance_, standing_, notes_),
      cache_(clock_, pointBalance_, status_, serverRunning_) {
    assert(!g_current);
    g_current = this;
    CreateTransfers();
}

CProcess::~CProcess() {
    Shutdown();
    shareDatabase_.Close();
    completeList_.Close();
    registry_.Close();
    wordFilter_.Close();
    g_current = nullptr;
}

std::optional<int> CProcess::Start(const std::optional<std::string>& argument) {
    std::string error;
    if (!PrepareProfileFolder(profile_.folder, newProfile_, error)) {
        ui_.ShowMessage(error, kAppName);
        return kExitFatal;
    }
    // Every relative name from here on (the log folder, the data files) resolves in the profile.
    std::error_code ec;
    fs::current_path(profile_.folder, ec);
    if (ec) {
        ui_.ShowMessage(profile_.folder.string() + ": " + ec.message(), kAppName);
        return kExitFatal;
    }
    fs::create_directories("Log", ec);
    log_.Configure("./Log/", 3);

    switch (instance_.Acquire()) {
        case CSingleInstance::Result::kOther: {
            ControlRequest request;
            if (argument && !argument->empty()) {
                request.kind = StartsWithIgnoreCase(*argument, "VEL://") ? ControlRequest::kLink
                                                                         : ControlRequest::kFile;
                request.args.push_back(*argument);
            }
            ControlAnswer answer;
            CSingleInstance::Send(profile_.folder, request, answer, kHandoverPatience);
            return kExitSecondInstance;
        }
        case CSingleInstance::Result::kFailed:
            ui_.ShowMessage(profile_.folder.string() + ": " + ErrorText(errno), kAppName);
            return kExitFatal;
        case CSingleInstance::Result::kFirst:
            break;
    }
    if (argument && !argument->empty()) pendingLink_ = *argument;

    if (newProfile_ && !ProvisionProfile(profile_.folder)) {
        ui_.ShowMessage(kTextDataUnreadable, kAppName);
        return kExitFatal;
    }
    // The settings store opens first: the live update and the probe read it.
    registry_.Open("registry.db");
    // Before the word filter opens, so a new word list counts from this start.
    if (CheckForUpdate(LiveUpdate()) == UpdateOutcome::kUpdaterRun) return kExitUpdating;
    // A list that cannot be read restricts nothing; start-up goes on without a word.
    wordFilter_.Open(profile_.folder / "badword.db");
    ProbeReachability();
    CreateFileServer();

    completeList_.Open("completelist.db");
    if (!shareDatabase_.Open("velorin.dat")) {
        ui_.ShowMessage(kTextDataUnreadable, kAppName);
        return kExitFatal;
    }
    OpenTransferStore();

    options_.Load(settings_);
    status_.SetWriteLog(options_.WriteLog != 0);

    controller_ = std::make_unique<CMainController>(ControllerParts());
    WindowHandle window = controller_->Handle();
    if (session_.Prepare(&queue_, window, CentralAddress(), kSessionServerPort) < 0 ||
        cache_.Prepare(&queue_, window, CentralAddress(), CentralAddress(), kCacheServerPort) < 0) {
        ui_.ShowMessage(kTextLinksNotPrepared, kAppName);
        serverRunning_ = false;
        return kExitFatal;
    }
    fileServer_->SetWindows(&queue_, controller_->Handle(), serverView_->Handle());
    // The cache link answers "not sent" while it is not signed in.
    fileServer_->SetPointsRequester(&cache_);
    RegisterControlWords(commands_, *this, *controller_);
    CreateExplorer();
    CreateSearch();
    CreateNotes();
    // Ahead of the sign-in that the window posts as it opens.
    queue_.PostTask([this] { WarnIfUnreachable(); });
    StartTransfers();
    CreateLinks();
    CreateLiveUpdate();
    CreateSettingsWords();
    CreateShareWords();
    controller_->Open();
    // Later starts are served only once everything they might need exists; they
    // wait for the socket meanwhile.
    instance_.Listen([this](const ControlRequest& request, const std::atomic<bool>& stopping) {
        return OnControlRequest(request, stopping);
    });
    return std::nullopt;
}

MainControllerParts CProcess::ControllerParts() {
    return MainControllerParts{
        .queue = queue_,
        .ui = ui_,
        .clock = clock_,
        .settings = settings_,
        .options = options_,
        .shareDatabase = shareDatabase_,
        .session = session_,
        .cache = cache_,
        .fileServer = *fileServer_,
        .status = status_,
        .serverRunning = serverRunning_,
        .standing = standing_,
        .pointBalance = pointBalance_,
        .logFolder = profile_.folder / "Log",
        .credentials = [this] { return Credentials(); },
        .setCredentials =
            [this](SignInCredentials credentials) { SetCredentials(std::move(credentials)); },
        .openFileServer = [this](uint16_t port) { return OpenFileServer(port); },
        .startFileServer = [this](uint16_t port) { return StartFileServer(port); },
        .stopFileServer = [this] { StopFileServer(); },
        .openSearchPort = [this](uint16_t port) { return OpenSearchPort(port); },
        .startSearchRobot = [this] { StartSearchRobot(); },
        .stopSearchRobot = [this] { StopSearchRobot(); },
        .activity = [this] { return Activity(); },
        .linkPending = [this] { return pendingLink_.has_value(); },
        .reachability = [this] { return reachability_; },
        .serverListArrived =
            [this] {
                if (serverListView_) serverListView_->Refill();
            },
    };
}

void CProcess::ProbeReachability() {
    uint16_t port = settings_.Read(setting::AUTOPORT) != 0
                        ? kAutoPortProbePort
                        : static_cast<uint16_t>(settings_.Read(setting::LISTENPORT));
    CReachabilityProbe probe(ui_, clock_, CentralAddress());
    probe.Setup(port);
    probe.StartProbe();
    CProbeSplash splash(queue_, probe);
    while (!splash.Done()) {
        queue_.DispatchOne(splash.Handle(), startupPump_ ? kSplashTick / 10 : kSplashTick * 2);
        if (startupPump_) startupPump_();
    }
    reachability_ = splash.Verdict();
    // Frees the port for the search robot.
    probe.Close();
}

std::function<void(const std::string& text, int kind)> CProcess::StatusSink() {
    return [this](const std::string& text, int kind) {
        status_.AddStatusLine(text, kind, clock_.LocalNow());
    };
}

void CProcess::WarnIfUnreachable() {
    if (reachability_.reachable) return;
    status_.AddStatusLine(kTextUnreachable, kStatusCaution);
    status_.AddStatusLine(kTextServerMayFail, kStatusCaution);
}

bool CProcess::ProvisionProfile(const fs::path& folder) {
    return CShareDatabase::CreateFile(folder / "velorin.dat") &&
           CreateBadwordFile(folder / "badword.db");
}

void CProcess::Shutdown() {
    instance_.StopListening();
    StopLiveUpdate();
    // The windows go first: no handler runs while the links stop.
    controller_.reset();
    browseWords_.reset();
    searchWords_.reset();
    searchTerms_.reset();
    // Its searcher stops before the server list and the explorer go.
    searchView_.reset();
    serverListView_.reset();
    explorer_.reset();
    StopSearchRobot();
    StopBrowse();
    StopFileServer();
    HaltTransfers();
    session_.Stop();
    session_.ReleaseQueue();
    // The cache link ends with the process; no sign-off goes out.
    cache_.Stop();
}

SignInCredentials CProcess::Credentials() const {
    std::lock_guard lock(credentialsLock_);
    return credentials_;
}

void CProcess::SetCredentials(SignInCredentials credentials) {
    std::lock_guard lock(credentialsLock_);
    credentials_ = std::move(credentials);
}

ControlAnswer CProcess::OnControlRequest(const ControlRequest& request,
                                         const std::atomic<bool>& stopping) {
    // Runs on the listener's thread; the work itself belongs on the loop's
    // thread, and a word that waits for the network answers from there later.
    auto promise = std::make_shared<std::promise<ControlAnswer>>();
    std::future<ControlAnswer> future = promise->get_future();
    CControlReply reply([promise](ControlAnswer answer) { promise->set_value(std::move(answer)); });
    queue_.PostTask([this, request, reply] { HandleOnLoop(request, reply); });
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (stopping) return CControlCommands::Refused("the program is ending");
    }
    return future.get();
}

void CProcess::HandleOnLoop(const ControlRequest& request, const CControlReply& reply) {
    std::string text = request.args.empty() ? std::string() : request.args[0];
    switch (request.kind) {
        case ControlRequest::kLink:
            pendingLink_ = text;
            ui_.Activate(ControlRequest::kLink, text);
            if (controller_) controller_->LinkArrived();
            break;
        case ControlRequest::kFile:
            // A plain file name brings the window forward and is otherwise ignored.
            ui_.Activate(ControlRequest::kFile, text);
            break;
        case ControlRequest::kActivate:
            ui_.Activate(ControlRequest::kActivate, text);
            break;
        case ControlRequest::kCommand:
            commands_.Execute(request.args, reply);
            return;
    }
    reply(ControlAnswer{});
}

}  // namespace velorin
