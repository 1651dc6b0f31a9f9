// Measures the share index and the search robot: rebuild speed over a folder
// of many small files (entries per second) and the time from a query's send
// to its last answer on loopback. A program, not a test: it prints figures.
// Usage: search_bench [--files N]   (files in the shared folder, default 9500)
#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "data/share_database.h"
#include "data/share_index.h"
#include "fileserver/search_datagram.h"
#include "fileserver/search_robot.h"
#include "net/udp_socket.h"

using namespace velorin;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int files = 9500;  // below the rebuild bound, so the probe file is always indexed
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--files") == 0) files = std::atoi(argv[i + 1]);
    }
    fs::path dir = fs::temp_directory_path() / ("search_bench." + std::to_string(::getpid()));
    fs::create_directories(dir / "share");
    for (int i = 0; i < files; ++i) {
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

    CShareIndex index;
    index.Open();
    constexpr int kRebuilds = 5;
    auto start = Clock::now();
    for (int i = 0; i < kRebuilds; ++i) index.BuildIndex(shares, [] { return true; });
    double rebuildMs = Millis(Clock::now() - start) / kRebuilds;
    std::printf("rebuild: %u entries in %.1f ms (%.0f entries/s)\n", index.EntriesSeen(), rebuildMs,
                index.EntriesSeen() / (rebuildMs / 1000.0));

    CUdpSocket socket;
    socket.Open(0);
    CSearchRobot robot(socket, shares, SystemClock());
    robot.OpenIndex();
    robot.Start("bench");
    while (robot.Rebuilds() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    CUdpSocket asker;
    asker.Open(0);
    asker.SetNonBlocking(true);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = socket.LocalPort();
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    struct Probe {
        const char* label;
        const char* term;
        const char* ext;
    } probes[] = {
        {"20 answers", "track", "mp3"}, {"1 answer", "4242.mp3", ""}, {"no answer", "nothing", ""}};
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
        std::sort(times.begin(), times.end());
        std::printf("query, %s (+ probe): median %.3f ms, p99 %.3f ms\n", p.label,
                    times[times.size() / 2], times[times.size() * 99 / 100]);
    }
    robot.Stop();
    fs::remove_all(dir);
    return 0;
}
