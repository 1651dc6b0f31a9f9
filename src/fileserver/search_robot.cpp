#include "fileserver/search_robot.h"

#include <cerrno>

#include "fileserver/search_datagram.h"
#include "fileserver/search_query.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

// Short enough that Stop ends well within 100 ms; the socket's shutdown ends it sooner.
constexpr std::chrono::milliseconds kPollWait(10);

}  // namespace

CSearchRobot::CSearchRobot(CUdpSocket& socket, CShareDatabase& shares, const IClock& clock,
                           CMessageQueue* queue, WindowHandle mainWindow)
    : socket_(socket), shares_(shares), clock_(clock), queue_(queue), mainWindow_(mainWindow) {}

CSearchRobot::~CSearchRobot() {
    Stop();
}

bool CSearchRobot::OpenIndex() {
    return index_.Open();
}

bool CSearchRobot::Start(const std::string& memberId) {
    Stop();
    memberId_ = memberId;
    SetCurrentTerm(kTextRobotStarting);
    return worker_.Start([this] { return Run(); }) == 0;
}

void CSearchRobot::Stop() {
    if (!worker_.HasWorker()) return;
    // shutdown, not close: close() does not wake a poll blocked in the robot thread.
    worker_.Stop([this] { socket_.Shutdown(); }, queue_, mainWindow_);
    socket_.Close();
}

void CSearchRobot::StopAndCloseIndex() {
    Stop();
    index_.Close();
}

std::string CSearchRobot::CurrentTerm() const {
    std::lock_guard lock(termLock_);
    return currentTerm_;
}

void CSearchRobot::SetCurrentTerm(const std::string& text) {
    std::string cut = CutToCp949Bytes(text, kCurrentTermBytes);
    std::lock_guard lock(termLock_);
    currentTerm_ = std::move(cut);
}

void CSearchRobot::StartRebuild() {
    rebuilding_ = true;
    rebuildEnded_ = false;
    rebuilder_ = std::thread([this] {
        index_.BuildIndex(shares_, [this] { return worker_.Running(); });
        rebuildEnded_ = true;
    });
}

void CSearchRobot::FinishRebuild() {
    if (rebuilder_.joinable()) rebuilder_.join();
    lastRebuild_ = clock_.Now();
    ++rebuilds_;
    rebuilding_ = false;
}

int CSearchRobot::Run() {
    socket_.SetNonBlocking(true);
    reindexRequested_ = false;
    StartRebuild();
    char buffer[kSearchQueryMax];
    while (worker_.Running()) {
        int drained = 0;
        while (drained < kSearchDrainLimit) {
            int n = socket_.ReceiveFrom(buffer, sizeof buffer);
            if (n < 0 && errno != EMSGSIZE) break;
            ++drained;
            // A shut-down socket reads empty at once; only Stop does that.
            if (n == 0 && !worker_.Running()) break;
            if (n > 0) Handle(std::string_view(buffer, static_cast<size_t>(n)));
        }
        if (rebuilding_ && rebuildEnded_) FinishRebuild();
        // A request made during a rebuild stays set until this rebuild has ended.
        if (!rebuilding_ &&
            (reindexRequested_.exchange(false) || clock_.Now() - lastRebuild_ >= kReindexPeriod)) {
            StartRebuild();
        }
        if (drained == 0) socket_.WaitReadable(kPollWait);
    }
    if (rebuilder_.joinable()) rebuilder_.join();
    rebuilding_ = false;
    return 0;
}

void CSearchRobot::Handle(std::string_view datagram) {
    std::optional<SearchQuery> query = DecodeSearchQuery(datagram);
    if (!query) return;
    SetCurrentTerm(query->term);
    // The peer is the query's sender until the next receive.
    AnswerSearch(index_, *query, memberId_, [this](const std::string& answer) {
        socket_.SendTo(answer.data(), answer.size());
    });
}

}  // namespace velorin
