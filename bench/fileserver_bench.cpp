// Measures the member's file server on loopback: one download against the
// protocol's own ceiling (16384-byte blocks at least 1 ms apart), six at once,
// 200 browse visitors listing a folder of 1000 files together, and the memory
// of 200 idle browse sessions. A program, not a test: it prints figures.
// Usage: fileserver_bench [--mib N]   (size of the downloaded file, default 256)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "bench_measure.h"
#include "data/complete_list.h"
#include "data/process_options.h"
#include "data/share_database.h"
#include "fileserver/activity_counters.h"
#include "fileserver/file_server.h"
#include "fileserver/peer_messages.h"
#include "fileserver/point_balance.h"
#include "fileserver/points_requester.h"
#include "net/packet_socket.h"

using namespace velorin;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kVisitors = 200;
constexpr int kFolderFiles = 1000;
constexpr int kParallel = 6;

// Every ticket is good and every payment goes through at once.
class CApprovingRequester final : public IPointsRequester {
public:
    PointCheckResult CheckPoints(const PointsRequest&, std::chrono::milliseconds,
                                 std::stop_token) override {
        return {PointsExchange::kAnswered, 0};
    }
    PaymentResult CollectPayment(const PointsRequest& r, std::chrono::milliseconds,
                                 std::stop_token) override {
        return {PointsExchange::kAnswered, 0, r.price, 0};
    }
};

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

bool Connect(CPacketSocket& s, uint16_t port) {
    return s.ConnectTcp("127.0.0.1", port, 5) == 0 && s.SetNonBlocking(false) == 0;
}

bool SendPacket(CPacketSocket& s, const Packet& p) {
    return s.SendPacket(static_cast<uint16_t>(p.payload.size()), p.type, p.payload.data()) > 0;
}

bool SignOn(CPacketSocket& s, uint16_t port, const std::string& id, int8_t kind) {
    if (!Connect(s, port) || !SendPacket(s, EncodeSignOn({id, kind}))) return false;
    SignOnAnswer answer;
    if (s.ReceivePacket() < 0 || !DecodeSignOnAnswer(s.IncomingPayload(), answer) ||
        answer.code != 0) {
        return false;
    }
    return kind != kVisitorBrowse || s.ReceivePacket() > 0;  // the status after a browse sign-on
}

// Seconds from the request to the last byte; negative on failure.
double Download(uint16_t port, const std::string& id, uint64_t size) {
    CPacketSocket s;
    if (!SignOn(s, port, id, kVisitorDownload)) return -1;
    std::vector<char> buffer(1 << 20);
    Clock::time_point start = Clock::now();
    if (!SendPacket(s, EncodeDownloadRequest({{1, 2, 3}, 0, "\\D\\big.bin"}))) return -1;
    int8_t code = -1;
    if (s.ReceivePacket() < 0 || !DecodeDownloadAnswer(s.IncomingPayload(), code) || code != 0) {
        return -1;
    }
    uint64_t got = 0;
    while (got < size) {
        long n = s.ReceiveSome(buffer.data(), buffer.size());
        if (n <= 0) return -1;
        got += static_cast<uint64_t>(n);
    }
    return Seconds(Clock::now() - start);
}

// Seconds for one complete listing of \F (head, "..", every file); negative when incomplete.
double List(CPacketSocket& s) {
    Clock::time_point start = Clock::now();
    if (!SendPacket(s, EncodePathRequest(PEER_LIST, "\\F"))) return -1;
    int entries = 0;
    while (entries < kFolderFiles + 1) {
        if (s.ReceivePacket() < 0) return -1;
        if (s.IncomingType() == PEER_LIST_ENTRY) ++entries;
    }
    return Seconds(Clock::now() - start);
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    uint64_t mib = 256;
    if (argc == 3 && std::string(argv[1]) == "--mib") mib = std::strtoull(argv[2], nullptr, 10);
    const uint64_t size = mib << 20;
    rlimit files{4096, 4096};
    setrlimit(RLIMIT_NOFILE, &files);

    char pattern[] = "/tmp/velorin-bench-XXXXXX";
    fs::path root = ::mkdtemp(pattern);
    fs::create_directories(root / "folder");
    for (int i = 0; i < kFolderFiles; ++i) {
        std::ofstream(root / "folder" / ("file" + std::to_string(i) + ".txt"))
            << std::string(100, 'x');
    }
    fs::create_directories(root / "data");
    std::ofstream(root / "data" / "big.bin").close();
    fs::resize_file(root / "data" / "big.bin", size);

    CShareDatabase::CreateFile(root / "velorin.dat");
    CShareDatabase db;
    db.Open(root / "velorin.dat");
    bool exists = false;
    db.AddShareFolder(exists, "F", (root / "folder").string(), "");
    db.AddShareFolder(exists, "D", (root / "data").string(), "");
    CCompleteList completeList;
    completeList.Open(root / "completelist.db");
    CProcessOptions options;
    CPointBalance balance;
    ActivityCounters counters;
    CApprovingRequester requester;

    long rssBefore = bench::RssKiB();
    CFileServer server({db, options, completeList, balance, counters, SystemServerClock(), {}});
    server.SetPointsRequester(&requester);
    if (server.Open(0) < 0 || server.Start(kParallel, kParallel) < 0) {
        std::fprintf(stderr, "cannot start the server\n");
        return 1;
    }
    uint16_t port = server.GetPort();
    long rssServer = bench::RssKiB();

    // Memory: the visitors are bare sockets, so the delta is the server's.
    {
        std::vector<CTcpSocket> idle(kVisitors);
        std::string signOn =
            EncodePacket(PEER_SIGNON, EncodeSignOn({"idle", kVisitorBrowse}).payload);
        for (CTcpSocket& s : idle) {
            char answer[4 + 7 + 4 + 12];
            if (s.ConnectTcp("127.0.0.1", port, 5) < 0 || s.SetNonBlocking(false) < 0 ||
                s.SendAll(signOn.data(), signOn.size()) < 0 ||
                s.ReceiveAll(answer, sizeof answer) != static_cast<long>(sizeof answer)) {
                std::fprintf(stderr, "an idle visitor could not sign on\n");
                return 1;
            }
        }
        long rssIdle = bench::RssKiB();
        std::printf(
            "memory: server with its 200 slots %+ld KiB; 200 idle browse sessions %+ld KiB "
            "(%.1f KiB each)\n",
            rssServer - rssBefore, rssIdle - rssServer,
            static_cast<double>(rssIdle - rssServer) / kVisitors);
    }
    while (server.Pool().InUse() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));

    // 200 browse visitors list the folder of 1000 files together.
    {
        std::vector<double> times(kVisitors, -1);
        std::latch signedOn(kVisitors);
        std::latch go(1);
        std::vector<std::thread> threads;
        for (int i = 0; i < kVisitors; ++i) {
            threads.emplace_back([&, i] {
                CPacketSocket s;
                bool ok = SignOn(s, port, "v" + std::to_string(i), kVisitorBrowse);
                signedOn.count_down();
                go.wait();
                if (ok) times[static_cast<size_t>(i)] = List(s);
            });
        }
        signedOn.wait();
        Clock::time_point start = Clock::now();
        go.count_down();
        for (std::thread& t : threads) t.join();
        double wall = Seconds(Clock::now() - start);
        std::vector<double> done;
        for (double t : times) {
            if (t >= 0) done.push_back(t);
        }
        if (done.empty()) done.push_back(0);
        std::printf(
            "browse: %zu of %d listings of %d files complete in %.3f s; per listing "
            "median %.1f ms, p95 %.1f ms, max %.1f ms; %.3f ms of wall time per listing\n",
            done.size(), kVisitors, kFolderFiles, wall, Percentile(done, 0.5) * 1000,
            Percentile(done, 0.95) * 1000, Percentile(done, 1.0) * 1000, wall * 1000 / kVisitors);
    }
    while (server.Pool().InUse() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));

    // The ceiling: every block after the first at least 1 ms after the one before.
    const double blocks = static_cast<double>((size + kTransferBlock - 1) / kTransferBlock);
    const double floorSeconds = (blocks - 1) / 1000.0;
    double one = Download(port, "one", size);
    if (one <= 0) {
        std::fprintf(stderr, "the download failed\n");
        return 1;
    }
    std::printf(
        "one download of %llu MiB: %.3f s, %.2f MiB/s; ceiling %.3f s, %.2f MiB/s; "
        "ratio %.1f %%\n",
        static_cast<unsigned long long>(mib), one, static_cast<double>(mib) / one, floorSeconds,
        static_cast<double>(mib) / floorSeconds, 100 * floorSeconds / one);

    std::vector<double> each(kParallel, -1);
    std::vector<std::thread> threads;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < kParallel; ++i) {
        threads.emplace_back([&, i] {
            each[static_cast<size_t>(i)] = Download(port, "p" + std::to_string(i), size);
        });
    }
    for (std::thread& t : threads) t.join();
    double wall = Seconds(Clock::now() - start);
    if (*std::min_element(each.begin(), each.end()) <= 0) {
        std::fprintf(stderr, "a parallel download failed\n");
        return 1;
    }
    double aggregate = kParallel * static_cast<double>(mib) / wall;
    std::printf(
        "six downloads at once: %.3f s, aggregate %.2f MiB/s = %.1f %% of six times "
        "one (%.2f MiB/s), %.1f %% of six times the ceiling\n",
        wall, aggregate, 100 * aggregate / (kParallel * static_cast<double>(mib) / one),
        kParallel * static_cast<double>(mib) / one, 100 * floorSeconds / wall);

    server.Stop();
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
