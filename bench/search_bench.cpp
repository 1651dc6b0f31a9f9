// Measures the share index and the search robot on loopback: the memory of a
// full index, rebuild speed over a folder of many small files, the time from a
// query's send to its last answer, the robot's throughput under a steady flow
// of queries, and the answer delays while a rebuild runs beside that flow.
// A program, not a test: it prints figures.
// Usage: search_bench [--files N] [--runs N] [--seconds S] [--parts LIST]
//   --files    files in the shared folder (default 9500)
//   --runs     repetitions of each measurement (default 2)
//   --seconds  length of one throughput flow (default 2)
//   --parts    comma-separated: memory,rebuild,latency,throughput,reindex (default all)
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_measure.h"
#include "data/share_database.h"
#include "data/share_index.h"
#include "fileserver/search_datagram.h"
#include "fileserver/search_robot.h"
#include "net/udp_socket.h"

using namespace velorin;
using namespace velorin::bench;
namespace fs = std::filesystem;

namespace {

struct Options {
    int files = 9500;  // below the rebuild bound, so the probe file is always indexed
    int runs = 2;
    double seconds = 2;
    std::set<std::string> parts;
};

// The sequence number rides in the send time's bytes 4-7, which the robot echoes.
std::string SequenceTime(uint32_t n) {
    std::string time(kSearchTimeSize, '\0');
    for (int i = 0; i < 4; ++i) time[4 + i] = static_cast<char>(n >> (8 * i));
    return time;
}

uint32_t SequenceOf(const std::string& time) {
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) {
        n |= static_cast<uint32_t>(static_cast<uint8_t>(time[4 + i])) << (8 * i);
    }
    return n;
}

int64_t Nanos(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// A plain datagram socket: a sender and a receiving thread share it, which
// CUdpSocket's remembered peer does not allow.
class CAsker {
public:
    CAsker() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~CAsker() {
        if (fd_ >= 0) ::close(fd_);
    }
    CAsker(const CAsker&) = delete;
    CAsker& operator=(const CAsker&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

struct FlowResult {
    uint32_t sent = 0;
    uint32_t answered = 0;
    double sendSeconds = 0;
    Clock::time_point start;
    std::vector<int64_t> sentAt;      // ns
    std::vector<int64_t> answeredAt;  // ns of the first answer, 0 when none came
    // Delay (ms) of queries sent in [from, to]; missing answers are not in it.
    std::vector<double> Delays(Clock::time_point from, Clock::time_point to) const {
        std::vector<double> delays;
        for (uint32_t i = 0; i < sent; ++i) {
            if (sentAt[i] < Nanos(from) || sentAt[i] > Nanos(to) || answeredAt[i] == 0) continue;
            delays.push_back(static_cast<double>(answeredAt[i] - sentAt[i]) / 1e6);
        }
        return delays;
    }
    double LastAnswerSeconds() const {
        int64_t last = Nanos(start);
        for (int64_t at : answeredAt) last = std::max(last, at);
        return static_cast<double>(last - Nanos(start)) / 1e9;
    }
    uint32_t SentBetween(Clock::time_point from, Clock::time_point to) const {
        uint32_t n = 0;
        for (uint32_t i = 0; i < sent; ++i) n += sentAt[i] >= Nanos(from) && sentAt[i] <= Nanos(to);
        return n;
    }
};

// Queries for one entry each ("track N.mp3"), `rate` per second on a fixed
// schedule (0: back to back), while `keepSending` agrees and at most `limit`; then a second for
// late answers.
FlowResult RunFlow(uint16_t robotPort, int rate, int files, size_t limit,
                   const std::function<bool(Clock::time_point)>& keepSending) {
    CAsker asker;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = robotPort;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int buffer = 4 << 20;
    setsockopt(asker.Fd(), SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);

    FlowResult result;
    std::vector<std::atomic<int64_t>> sentAt(limit);
    std::vector<std::atomic<int64_t>> answeredAt(limit);
    std::atomic<bool> done{false};
    std::atomic<uint32_t> sent{0};
    std::atomic<uint32_t> answered{0};
    std::thread receiver([&] {
        char bytes[2048];
        while (!done) {
            pollfd p{asker.Fd(), POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            ssize_t n = recv(asker.Fd(), bytes, sizeof bytes, MSG_DONTWAIT);
            if (n <= 0) continue;
            int64_t now = Nanos(Clock::now());
            std::optional<SearchAnswer> a =
                DecodeSearchAnswer(std::string_view(bytes, static_cast<size_t>(n)));
            if (!a) continue;
            uint32_t seq = SequenceOf(a->sendTime);
            int64_t none = 0;
            if (seq < limit && answeredAt[seq].compare_exchange_strong(none, now)) ++answered;
        }
    });

    auto period = std::chrono::nanoseconds(rate > 0 ? 1'000'000'000 / rate : 0);
    result.start = Clock::now();
    for (uint32_t i = 0; i < limit; ++i) {
        if (rate > 0) std::this_thread::sleep_until(result.start + i * period);
        Clock::time_point now = Clock::now();
        if (!keepSending(now)) break;
        SearchQuery query{SequenceTime(i), "track " + std::to_string(i % files) + ".mp3", ""};
        std::string datagram = EncodeSearchQuery(query);
        sentAt[i] = Nanos(now);
        sendto(asker.Fd(), datagram.data(), datagram.size(), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to);
        sent = i + 1;
    }
    result.sendSeconds = Millis(Clock::now() - result.start) / 1000;
    Clock::time_point grace = Clock::now() + std::chrono::seconds(1);
    while (answered < sent && Clock::now() < grace) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    done = true;
    receiver.join();
    result.sent = sent;
    result.answered = answered;
    for (uint32_t i = 0; i < result.sent; ++i) {
        result.sentAt.push_back(sentAt[i]);
        result.answeredAt.push_back(answeredAt[i]);
    }
    return result;
}

void MeasureIndexMemory(CShareDatabase& shares, int runs) {
    for (int run = 1; run <= runs; ++run) {
        size_t heap = HeapBytes();
        long rss = RssKiB();
        auto index = std::make_unique<CShareIndex>();
        index->Open();
        index->BuildIndex(shares, [] { return true; });
        double heapMiB = static_cast<double>(HeapBytes() - heap) / (1 << 20);
        double rssMiB = static_cast<double>(RssKiB() - rss) / 1024;
        std::printf("memory, run %d: index of %zu entries: heap +%.2f MiB, VmRSS +%.2f MiB\n", run,
                    index->Count(), heapMiB, rssMiB);
    }
}

void MeasureRebuild(CShareDatabase& shares, int runs) {
    CShareIndex index;
    index.Open();
    constexpr int kRebuilds = 5;
    for (int run = 1; run <= runs; ++run) {
        auto start = Clock::now();
        for (int i = 0; i < kRebuilds; ++i) index.BuildIndex(shares, [] { return true; });
        double rebuildMs = Millis(Clock::now() - start) / kRebuilds;
        std::printf("rebuild, run %d: %u entries in %.1f ms (%.0f entries/s)\n", run,
                    index.EntriesSeen(), rebuildMs, index.EntriesSeen() / (rebuildMs / 1000.0));
    }
}

void MeasureLatency(uint16_t robotPort, int runs) {
    CUdpSocket asker;
    asker.Open(0);
    asker.SetNonBlocking(true);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = robotPort;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    struct Probe {
        const char* label;
        const char* term;
        const char* ext;
    } probes[] = {
        {"20 answers", "track", "mp3"}, {"1 answer", "4242.mp3", ""}, {"no answer", "nothing", ""}};
    for (int run = 1; run <= runs; ++run) {
        for (const Probe& p : probes) {
            std::vector<double> times;
            for (int i = 0; i < 200; ++i) {
                SearchQuery query{std::string(16, static_cast<char>(i)), p.term, p.ext};
                std::string probe = EncodeSearchQuery({std::string(16, 'P'), "probe.bin", ""});
                char buffer[1024];
                while (asker.ReceiveFrom(buffer, sizeof buffer) >= 0) {
                }
                auto sent = Clock::now();
                asker.SetPeer(to);
                std::string datagram = EncodeSearchQuery(query);
                asker.SendTo(datagram.data(), datagram.size());
                asker.SendTo(probe.data(), probe.size());
                // The probe's answer follows the query's; its arrival ends the query.
                for (;;) {
                    if (!asker.WaitReadable(std::chrono::milliseconds(500))) break;
                    int n = asker.ReceiveFrom(buffer, sizeof buffer);
                    std::optional<SearchAnswer> a =
                        DecodeSearchAnswer(std::string_view(buffer, n > 0 ? n : 0));
                    if (a && a->sendTime == probe.substr(2, 16)) break;
                }
                times.push_back(Millis(Clock::now() - sent));
            }
            std::printf("query, run %d, %s (+ probe): median %.3f ms, p99 %.3f ms\n", run, p.label,
                        Percentile(times, 0.5), Percentile(times, 0.99));
        }
    }
}

void MeasureThroughput(uint16_t robotPort, const Options& o) {
    for (int rate : {500, 1000, 2000, 4000}) {
        for (int run = 1; run <= o.runs; ++run) {
            auto limit = static_cast<size_t>(rate * o.seconds);
            FlowResult r =
                RunFlow(robotPort, rate, o.files, limit, [](Clock::time_point) { return true; });
            std::vector<double> delays = r.Delays(r.start, Clock::time_point::max());
            std::printf(
                "throughput %d/s, run %d: sent %u in %.2f s, answered %u (%.1f %%), "
                "p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                rate, run, r.sent, r.sendSeconds, r.answered, 100.0 * r.answered / r.sent,
                Percentile(delays, 0.5), Percentile(delays, 0.99), Percentile(delays, 1.0));
        }
    }
    // Back to back: the robot's socket buffer overflows, so what it answered shows its pace.
    for (int run = 1; run <= o.runs; ++run) {
        FlowResult r = RunFlow(robotPort, 0, o.files, 8000, [](Clock::time_point) { return true; });
        std::printf(
            "throughput back to back, run %d: sent %u in %.3f s, answered %u (%.1f %%) "
            "within %.3f s (%.0f answered/s)\n",
            run, r.sent, r.sendSeconds, r.answered, 100.0 * r.answered / r.sent,
            r.LastAnswerSeconds(), r.answered / std::max(r.LastAnswerSeconds(), 1e-9));
    }
}

void MeasureReindex(CSearchRobot& robot, uint16_t robotPort, const Options& o) {
    constexpr int kRate = 500;
    for (int run = 1; run <= o.runs; ++run) {
        uint32_t before = robot.Rebuilds();
        std::optional<Clock::time_point> start, requested, ended;
        // Half a second of steady flow before the request and after the rebuild; 20 s at most.
        auto keepSending = [&](Clock::time_point now) {
            if (!start) start = now;
            if (!requested && now - *start >= std::chrono::milliseconds(500)) {
                robot.RequestReindex();
                requested = now;
            }
            if (requested && !ended && robot.Rebuilds() > before) ended = now;
            return !(ended && now - *ended >= std::chrono::milliseconds(500));
        };
        FlowResult r = RunFlow(robotPort, kRate, o.files, 20 * kRate, keepSending);
        if (!ended) {
            std::printf("reindex, run %d: the rebuild did not end within %.1f s\n", run,
                        r.sendSeconds);
            continue;
        }
        std::vector<double> during = r.Delays(*requested, *ended);
        uint32_t sentDuring = r.SentBetween(*requested, *ended);
        std::vector<double> all = r.Delays(r.start, Clock::time_point::max());
        std::printf(
            "reindex at %d/s, run %d: rebuild took %.1f ms; during it %u sent, %zu answered, "
            "worst delay %.3f ms, p99 %.3f ms; whole flow %u/%u answered, worst %.3f ms\n",
            kRate, run, Millis(*ended - *requested), sentDuring, during.size(),
            Percentile(during, 1.0), Percentile(during, 0.99), r.answered, r.sent,
            Percentile(all, 1.0));
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Options o;
    std::string parts;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--files") o.files = std::atoi(argv[i + 1]);
        if (flag == "--runs") o.runs = std::atoi(argv[i + 1]);
        if (flag == "--seconds") o.seconds = std::atof(argv[i + 1]);
        if (flag == "--parts") parts = argv[i + 1];
    }
    o.parts = Parts(parts, {"memory", "rebuild", "latency", "throughput", "reindex"});
    if (o.files <= 0 || o.runs <= 0 || o.seconds <= 0) {
        std::fprintf(stderr,
                     "usage: search_bench [--files N] [--runs N] [--seconds S] [--parts LIST]\n");
        return 2;
    }
    fs::path dir = fs::temp_directory_path() / ("search_bench." + std::to_string(::getpid()));
    fs::create_directories(dir / "share");
    for (int i = 0; i < o.files; ++i) {
        fs::path sub = dir / "share" / ("d" + std::to_string(i / 500));
        if (i % 500 == 0) fs::create_directories(sub);
        std::ofstream(sub / ("track " + std::to_string(i) + ".mp3")) << "x";
    }
    std::ofstream(dir / "share" / "probe.bin") << "p";
    CShareDatabase shares;
    bool exists = false;
    if (!CShareDatabase::CreateFile(dir / "velorin.dat") || !shares.Open(dir / "velorin.dat") ||
        !shares.AddShareFolder(exists, "Music", (dir / "share").string(), "")) {
        std::fprintf(stderr, "cannot make the share database\n");
        return 1;
    }

    // First, while the heap holds little else.
    if (o.parts.count("memory")) MeasureIndexMemory(shares, o.runs);
    if (o.parts.count("rebuild")) MeasureRebuild(shares, o.runs);

    CUdpSocket socket;
    socket.Open(0);
    uint16_t robotPort = socket.LocalPort();
    CSearchRobot robot(socket, shares, SystemClock());
    robot.OpenIndex();
    robot.Start("bench");
    while (robot.Rebuilds() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (o.parts.count("latency")) MeasureLatency(robotPort, o.runs);
    if (o.parts.count("throughput")) MeasureThroughput(robotPort, o);
    if (o.parts.count("reindex")) MeasureReindex(robot, robotPort, o);
    robot.Stop();
    fs::remove_all(dir);
    return 0;
}
