#include "service/file_searcher.h"

#include <cerrno>
#include <thread>

#include "platform/text_encoding.h"
#include "service/server_list.h"

namespace velorin {

CFileSearcher::CFileSearcher(CServerList& servers, ISearchSink& sink, UtcClock clock)
    : servers_(servers), sink_(sink), clock_(std::move(clock)) {}

CFileSearcher::~CFileSearcher() {
    Stop();
}

bool CFileSearcher::Start(const std::string& term, const std::string& ext) {
    Stop();
    size_t termBytes = Cp949Length(term);
    if (termBytes == 0 || termBytes > kSearchTermMax || Cp949Length(ext) > kSearchExtMax) {
        return false;
    }
    if (!socket_.Open(0)) return false;
    socket_.SetNonBlocking(true);
    query_ = SearchQuery{std::string(kSearchTimeSize, '\0'), term, ext};
    sent_ = 0;
    answers_ = 0;
    dropped_ = 0;
    return worker_.Start([this] { return Run(); }) == 0;
}

void CFileSearcher::Stop(CMessageQueue* queue, WindowHandle mainWindow) {
    if (worker_.HasWorker()) {
        // shutdown, not close: close() does not wake a poll blocked in the searcher's thread.
        worker_.Stop([this] { socket_.Shutdown(); }, queue, mainWindow);
    }
    socket_.Close();
}

void CFileSearcher::Report(int percent) {
    if (percent == progress_) return;
    progress_ = percent;
    sink_.SearchProgress(percent);
}

int CFileSearcher::Run() {
    channel_ = 0;
    index_ = 0;
    passed_ = 0;
    progress_ = -1;
    sink_.SearchBegun();
    Report(0);
    using Clock = std::chrono::steady_clock;
    // Pauses are measured from the phase's start, so time spent on answers is not added to them.
    Clock::time_point next = Clock::now();
    while (worker_.Running() && answers_ <= kAnswerCutOff) {
        if (!SendNext()) break;
        next += kSendPause;
        Collect(next);
        size_t total = servers_.Count(0) + servers_.Count(1);
        if (passed_ % 10 == 5 && total > 0) {
            Report(static_cast<int>(std::min<size_t>(100, passed_ * 100 / total)));
        }
    }
    next = Clock::now();
    for (int i = 0; i < collectPasses_ && worker_.Running(); ++i) {
        Report(i / 10);
        next += kCollectPass;
        Collect(next);
    }
    Report(100);
    sink_.SearchEnded();
    // The search is over; the thread itself is released by the next Start or Stop.
    worker_.SetRunning(false);
    return 0;
}

bool CFileSearcher::SendNext() {
    size_t total = servers_.Count(0) + servers_.Count(1);
    if (passed_ >= total) return false;
    ServerRecord record;
    while (!servers_.RecordAt(channel_, index_, record)) {
        // The end of a channel (the list may have shrunk meanwhile).
        if (channel_ == 1) return false;
        channel_ = 1;
        index_ = 0;
    }
    if (record.sharingFlag != 0) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = record.address;
        to.sin_port = record.udpPort;
        socket_.SetPeer(to);
        query_.sendTime = EncodeSearchTime(clock_());
        std::string datagram = EncodeSearchQuery(query_);
        // A member who cannot be reached simply contributes no rows.
        if (socket_.SendTo(datagram.data(), datagram.size()) >= 0) ++sent_;
    }
    ++index_;
    ++passed_;
    return true;
}

void CFileSearcher::Collect(std::chrono::steady_clock::time_point deadline) {
    char buffer[kReceiveBuffer];
    while (worker_.Running()) {
        int n = socket_.ReceiveFrom(buffer, sizeof buffer);
        if (n > 0) {
            Handle(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EMSGSIZE) {
            ++dropped_;
            continue;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return;
        socket_.WaitReadable(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
    }
}

void CFileSearcher::Handle(const char* data, size_t size) {
    std::optional<SearchAnswer> answer = DecodeSearchAnswer(std::string_view(data, size));
    if (!answer || Cp949Length(answer->name) > kSearchTermMax ||
        Cp949Length(answer->path) > kSearchTermMax || Cp949Length(answer->ext) > kSearchExtMax) {
        ++dropped_;
        return;
    }
    ++answers_;
    int64_t responseMs = SearchResponseMs(DecodeSearchTime(answer->sendTime), clock_());
    if (responseMs < 0) return;
    sink_.SearchAnswered(*answer, responseMs);
}

}  // namespace velorin
