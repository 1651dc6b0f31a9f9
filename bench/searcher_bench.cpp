// Measures the member's own search against many sharing members on loopback:
// this process holds one datagram socket per member and answers every query
// from one epoll thread, while the searcher walks a server list of them. It
// prints the send phase against its ideal (one query per 5 ms), the answers
// sent against those the sink received, and the memory of a search whose
// 8000 answers are kept as the search page keeps them.
// A program, not a test: it prints figures.
// Usage: searcher_bench [--members N] [--runs N] [--parts LIST]
//   --members  sharing members in the list (default 6000, 3000 per channel)
//   --runs     repetitions of each measurement (default 2)
//   --parts    comma-separated: members,memory (default all)
#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_measure.h"
#include "fileserver/search_datagram.h"
#include "service/file_searcher.h"
#include "service/server_list.h"
#include "views/search_view.h"

using namespace velorin;
using namespace velorin::bench;

namespace {

// Descriptors kept free for the searcher, epoll and the C library.
constexpr size_t kSpareDescriptors = 64;
// The memory run: members that answer with a robot's full 20 rows, 8000 answers in all.
constexpr size_t kMemoryMembers = 400;
constexpr int kMemoryAnswers = 20;

int64_t Nanos(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// As many sharing members' search robots as descriptors allow, each a socket
// on 127.0.0.1 that answers a query with `answers` rows echoing its send time.
class CAnswerFleet {
public:
    ~CAnswerFleet() {
        Stop();
        for (int fd : fds_) ::close(fd);
        if (epoll_ >= 0) ::close(epoll_);
    }

    // The number of sockets opened, at most `count`.
    size_t Open(size_t count) {
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        if (epoll_ < 0) return 0;
        for (size_t i = 0; i < count; ++i) {
            int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0) break;
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t size = sizeof address;
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = fds_.size();
            if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
                epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0) {
                ::close(fd);
                break;
            }
            fds_.push_back(fd);
            ports_.push_back(address.sin_port);
        }
        return fds_.size();
    }

    const std::vector<uint16_t>& Ports() const { return ports_; }

    void Start(int answers) {
        answers_ = answers;
        Reset();
        stop_ = false;
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void Reset() {
        queries = 0;
        answersSent = 0;
        sendFailures = 0;
        firstQuery = 0;
        lastQuery = 0;
    }

    std::atomic<uint32_t> queries{0};
    std::atomic<uint32_t> answersSent{0};
    std::atomic<uint32_t> sendFailures{0};
    std::atomic<int64_t> firstQuery{0};
    std::atomic<int64_t> lastQuery{0};

private:
    void Run() {
        epoll_event events[256];
        char buffer[kSearchQueryMax + 1];
        while (!stop_) {
            int ready = epoll_wait(epoll_, events, 256, 10);
            for (int e = 0; e < ready; ++e) {
                size_t member = events[e].data.u64;
                for (;;) {
                    sockaddr_in from{};
                    socklen_t size = sizeof from;
                    ssize_t n = recvfrom(fds_[member], buffer, sizeof buffer, 0,
                                         reinterpret_cast<sockaddr*>(&from), &size);
                    if (n < 0) break;
                    Answer(member, std::string_view(buffer, static_cast<size_t>(n)), from);
                }
            }
        }
    }

    void Answer(size_t member, std::string_view datagram, const sockaddr_in& to) {
        std::optional<SearchQuery> query = DecodeSearchQuery(datagram);
        if (!query) return;
        int64_t now = Nanos(Clock::now());
        int64_t none = 0;
        firstQuery.compare_exchange_strong(none, now);
        lastQuery = now;
        ++queries;
        for (int k = 0; k < answers_; ++k) {
            SearchAnswer answer;
            answer.memberId = "member" + std::to_string(member);
            answer.sendTime = query->sendTime;
            answer.size = 4'194'304 + static_cast<uint64_t>(k);
            answer.name = "track " + std::to_string(member * 20 + static_cast<size_t>(k)) + ".mp3";
            answer.path = "\\Music\\d" + std::to_string(member % 20);
            answer.ext = "MP3";
            std::string bytes = EncodeSearchAnswer(answer);
            if (sendto(fds_[member], bytes.data(), bytes.size(), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
                ++sendFailures;
            } else {
                ++answersSent;
            }
        }
    }

    int epoll_ = -1;
    std::vector<int> fds_;
    std::vector<uint16_t> ports_;
    int answers_ = 1;
    std::atomic<bool> stop_{true};
    std::thread thread_;
};

// Counts and time stamps what the searcher reports; keeps rows when asked.
class CBenchSink final : public ISearchSink {
public:
    explicit CBenchSink(bool keepRows) : keepRows_(keepRows) {}

    void SearchBegun() override {
        begun = Clock::now();
        lastPercent_ = -1;
    }
    void SearchProgress(int percent) override {
        // The collect phase starts its progress again from 0.
        if (!sendEnded && percent < lastPercent_) sendEnded = Clock::now();
        lastPercent_ = percent;
    }
    void SearchAnswered(const SearchAnswer& answer, int64_t responseMs) override {
        ++answers;
        maxResponseMs = std::max(maxResponseMs, responseMs);
        if (keepRows_) rows.push_back(MakeSearchRow(answer, responseMs, PieceTest()));
    }
    void SearchEnded() override {
        ended = Clock::now();
        done = true;
    }

    bool WaitEnded(std::chrono::seconds limit) {
        Clock::time_point until = Clock::now() + limit;
        while (!done && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done;
    }

    Clock::time_point begun;
    std::optional<Clock::time_point> sendEnded;
    Clock::time_point ended;
    std::atomic<bool> done{false};
    uint32_t answers = 0;
    int64_t maxResponseMs = 0;
    std::vector<SearchRow> rows;

private:
    bool keepRows_;
    int lastPercent_ = -1;
};

void FillList(CServerList& list, const std::vector<uint16_t>& ports, size_t members) {
    for (size_t i = 0; i < members; ++i) {
        ServerRecord record;
        record.channel = i < members / 2 ? 0 : 1;
        record.userId = "member" + std::to_string(i);
        record.address = htonl(INADDR_LOOPBACK);
        record.udpPort = ports[i];
        record.sharingFlag = 1;
        list.AddRecord(record);
    }
}

void MeasureMembers(CAnswerFleet& fleet, size_t members, int runs) {
    CServerList list;
    FillList(list, fleet.Ports(), members);
    double idealMs =
        static_cast<double>(members) * static_cast<double>(CFileSearcher::kSendPause.count());
    for (int run = 1; run <= runs; ++run) {
        CBenchSink sink(false);
        CFileSearcher searcher(list, sink);
        fleet.Start(1);
        if (!searcher.Start("track", "") || !sink.WaitEnded(std::chrono::seconds(120))) {
            std::printf("members, run %d: the search did not end\n", run);
            fleet.Stop();
            continue;
        }
        fleet.Stop();
        double sendMs = sink.sendEnded ? Millis(*sink.sendEnded - sink.begun) : 0;
        double queriesMs = static_cast<double>(fleet.lastQuery - fleet.firstQuery) / 1e6;
        std::printf(
            "members %zu, run %d: send phase %.0f ms (ideal %.0f ms, %+.1f %%), queries "
            "arrived over %.0f ms; queries sent %u, received %u; answers sent %u "
            "(%u failed), taken by the searcher %u, reported to the sink %u, dropped %u; "
            "slowest answer %lld ms; whole search %.0f ms\n",
            members, run, sendMs, idealMs, 100.0 * (sendMs - idealMs) / idealMs, queriesMs,
            searcher.Sent(), fleet.queries.load(), fleet.answersSent.load(),
            fleet.sendFailures.load(), searcher.Answers(), sink.answers, searcher.Dropped(),
            static_cast<long long>(sink.maxResponseMs), Millis(sink.ended - sink.begun));
    }
}

void MeasureMemory(CAnswerFleet& fleet, int runs) {
    size_t members = std::min(kMemoryMembers, fleet.Ports().size());
    CServerList list;
    FillList(list, fleet.Ports(), members);
    for (int run = 1; run <= runs; ++run) {
        size_t heap = HeapBytes();
        long rss = RssKiB();
        auto sink = std::make_unique<CBenchSink>(true);
        auto searcher = std::make_unique<CFileSearcher>(list, *sink);
        fleet.Start(kMemoryAnswers);
        bool ended = searcher->Start("track", "") && sink->WaitEnded(std::chrono::seconds(60));
        fleet.Stop();
        if (!ended) {
            std::printf("memory, run %d: the search did not end\n", run);
            continue;
        }
        searcher->Stop();
        std::printf(
            "memory, run %d: search of %zu members kept %zu rows: heap +%.2f MiB, "
            "VmRSS +%.2f MiB\n",
            run, members, sink->rows.size(), static_cast<double>(HeapBytes() - heap) / (1 << 20),
            static_cast<double>(RssKiB() - rss) / 1024);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    size_t members = 6000;
    int runs = 2;
    std::string partList;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--members") members = std::strtoul(argv[i + 1], nullptr, 10);
        if (flag == "--runs") runs = std::atoi(argv[i + 1]);
        if (flag == "--parts") partList = argv[i + 1];
    }
    std::set<std::string> parts = Parts(partList, {"members", "memory"});
    if (members < 2 || members > 2 * kChannelCapacity || runs <= 0) {
        std::fprintf(stderr,
                     "usage: searcher_bench [--members N (2-12000)] [--runs N] [--parts LIST]\n");
        return 2;
    }
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    size_t wanted = std::max(members, kMemoryMembers);
    if (limit.rlim_cur < wanted + kSpareDescriptors) {
        wanted = limit.rlim_cur > kSpareDescriptors ? limit.rlim_cur - kSpareDescriptors : 0;
    }
    CAnswerFleet fleet;
    size_t opened = fleet.Open(wanted);
    std::printf("descriptor limit %llu: %zu member sockets open\n",
                static_cast<unsigned long long>(limit.rlim_cur), opened);
    if (opened < 2) return 1;
    if (opened < members) {
        std::printf("only %zu of the %zu members can be served\n", opened, members);
        members = opened;
    }
    if (parts.count("members")) MeasureMembers(fleet, members, runs);
    if (parts.count("memory")) MeasureMemory(fleet, runs);
    return 0;
}
