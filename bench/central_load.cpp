// velorin-central-bench: a load generator that speaks the session protocol.
//
// Starts a velorin-central on a private loopback address with N members in a
// fresh central.db, signs them all in (C sign-ins in flight), keeps them
// online with keep-alives, downloads the full server list as one client, and
// reports: sign-ins per second and server CPU per sign-in, server memory per
// signed-in member, time to deliver the whole list. --smoke runs a small
// instance and only checks the answers (the system tests use it).
//
// Usage: velorin-central-bench [--server PATH] [--members N] [--concurrency C]
//                              [--hold SECONDS] [--lists K] [--smoke]
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/read.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "central/descriptor_limit.h"
#include "central/member_store.h"
#include "net/packet.h"
#include "service/session_messages.h"

namespace {

using namespace velorin;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Options {
    std::string server = VELORIN_CENTRAL_PATH;
    int members = 12000;
    int concurrency = 64;
    int holdSeconds = 40;
    int lists = 5;
    bool smoke = false;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto number = [&](int& out) {
            if (i + 1 >= argc) return false;
            out = std::atoi(argv[++i]);
            return out >= 0;
        };
        if (a == "--server" && i + 1 < argc) {
            o.server = argv[++i];
        } else if (a == "--members") {
            if (!number(o.members) || o.members < 1) return false;
        } else if (a == "--concurrency") {
            if (!number(o.concurrency) || o.concurrency < 1) return false;
        } else if (a == "--hold") {
            if (!number(o.holdSeconds)) return false;
        } else if (a == "--lists") {
            if (!number(o.lists) || o.lists < 1) return false;
        } else if (a == "--smoke") {
            o.smoke = true;
            o.members = 300;
            o.concurrency = 16;
            o.holdSeconds = 0;
            o.lists = 1;
        } else {
            return false;
        }
    }
    return true;
}

// The server under test, a child process whose first line says it is ready.
class CServerProcess {
public:
    ~CServerProcess() { Stop(); }

    bool Start(const std::string& program, const std::vector<std::string>& args) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        FILE* lines = fdopen(out[0], "r");
        char line[512] = {};
        bool ready = lines && std::fgets(line, sizeof line, lines) != nullptr;
        if (lines) std::fclose(lines);
        firstLine_ = line;
        return ready && firstLine_.find("serving") != std::string::npos;
    }
    // SIGTERM; the exit status, or -1.
    int Stop() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_t Pid() const { return pid_; }
    const std::string& FirstLine() const { return firstLine_; }

private:
    pid_t pid_ = -1;
    std::string firstLine_;
};

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// User plus system CPU seconds of a process.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// One framed link: writes queue up, every packet read goes to `onPacket`.
class CLink : public std::enable_shared_from_this<CLink> {
public:
    using OnPacket = std::function<void(const Packet&)>;
    CLink(asio::io_context& io, OnPacket onPacket) : socket_(io), onPacket_(std::move(onPacket)) {}

    void Connect(const asio::ip::tcp::endpoint& to, std::function<void(bool)> done) {
        socket_.async_connect(to, [self = shared_from_this(), done](const asio::error_code& ec) {
            if (!ec) {
                asio::error_code ignored;
                self->socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
                self->Read();
            }
            done(!ec);
        });
    }
    void Send(uint16_t type, const std::string& payload) {
        bool idle = out_.empty();
        out_ += EncodePacket(type, payload);
        if (idle && !writing_) Write();
    }
    bool Open() const { return open_; }

private:
    void Write() {
        writing_ = true;
        sending_.swap(out_);
        asio::async_write(socket_, asio::buffer(sending_),
                          [self = shared_from_this()](const asio::error_code& ec, size_t) {
                              self->writing_ = false;
                              self->sending_.clear();
                              if (ec) self->open_ = false;
                              if (!ec && !self->out_.empty()) self->Write();
                          });
    }
    void Read() {
        socket_.async_read_some(asio::buffer(chunk_), [self = shared_from_this()](
                                                          const asio::error_code& ec, size_t n) {
            if (ec) {
                self->open_ = false;
                return;
            }
            self->in_.append(self->chunk_, n);
            Packet packet;
            long used;
            while ((used = DecodePacket(self->in_, kMaxLinkPayload, packet)) > 0) {
                self->in_.erase(0, static_cast<size_t>(used));
                self->onPacket_(packet);
            }
            self->Read();
        });
    }

    asio::ip::tcp::socket socket_;
    OnPacket onPacket_;
    std::string out_, sending_, in_;
    char chunk_[16384];
    bool writing_ = false;
    bool open_ = true;
};

struct Member {
    std::shared_ptr<CLink> link;
    bool accepted = false;
};

class CBench {
public:
    CBench(const Options& options, asio::ip::tcp::endpoint session)
        : options_(options), session_(session), keepAlive_(io_) {}

    // Signs every member in; returns the seconds it took, or -1 on a refusal.
    double SignInAll() {
        members_.resize(options_.members);
        auto start = Clock::now();
        for (int i = 0; i < options_.concurrency && next_ < options_.members; ++i) StartNext();
        io_.run();
        io_.restart();
        if (accepted_ != options_.members) return -1;
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    // Keeps the members online for `seconds` with a keep-alive every 30 s.
    int Hold(int seconds) {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        std::function<void()> tick = [&] {
            for (Member& m : members_) m.link->Send(kKeepAlive, "");
            if (Clock::now() + 30s < end) {
                keepAlive_.expires_after(30s);
                keepAlive_.async_wait([&](const asio::error_code& ec) {
                    if (!ec) tick();
                });
            }
        };
        tick();
        io_.run_for(std::chrono::seconds(seconds));
        keepAlive_.cancel();
        io_.restart();
        return static_cast<int>(std::count_if(members_.begin(), members_.end(),
                                              [](const Member& m) { return m.link->Open(); }));
    }

    // One client downloads the whole list page by page; seconds and records.
    double FetchList(size_t& records) {
        records = 0;
        std::shared_ptr<CLink> link = members_[0].link;
        bool done = false;
        auto start = Clock::now();
        listHandler_ = [&](const Packet& packet) {
            if (packet.type != kServerListPage) return;
            uint32_t cursor = 0;
            std::vector<ServerRecord> page;
            if (!DecodeServerListPage(packet.payload, cursor, page)) {
                done = true;
                return;
            }
            records += page.size();
            if (page.size() == kServerListPageRecords) {
                link->Send(kServerListRequest, EncodeServerListRequest(cursor));
            } else {
                done = true;
            }
        };
        link->Send(kServerListRequest, EncodeServerListRequest(0));
        while (!done && io_.run_one_for(10s) > 0) {
        }
        listHandler_ = nullptr;
        io_.restart();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

private:
    void StartNext() {
        int index = next_++;
        Member& member = members_[index];
        member.link =
            std::make_shared<CLink>(io_, [this, index](const Packet& p) { OnPacket(index, p); });
        member.link->Connect(session_, [this, index](bool ok) {
            if (!ok) {
                ++failed_;
                io_.stop();
                return;
            }
            SignInRequest request;
            request.userId = "m" + std::to_string(index);
            request.password = MakePasswordField("bench-pw");
            request.tcpPort = htons(static_cast<uint16_t>(10000 + index % 50000));
            request.udpPort = request.tcpPort;
            request.description = "부하 시험 " + std::to_string(index);
            request.reachable = index % 2;
            request.roundTrip = request.reachable ? 10 : -1;
            members_[index].link->Send(kSessionSignIn, EncodeSignInRequest(request));
        });
    }

    void OnPacket(int index, const Packet& packet) {
        if (index == 0 && listHandler_) listHandler_(packet);
        if (packet.type == kSessionSignInResult) {
            int32_t code = -100;
            DecodeSignInResult(packet.payload, code);
            if (code != kSignInAccepted) {
                std::fprintf(stderr, "m%d refused with %d\n", index, code);
                io_.stop();
                return;
            }
        }
        // The balance is the last message of a sign-in.
        if (packet.type == kPointBalance && !members_[index].accepted) {
            members_[index].accepted = true;
            ++accepted_;
            if (next_ < options_.members) {
                StartNext();
            } else if (accepted_ == options_.members) {
                io_.stop();
            }
        }
    }

    const Options& options_;
    asio::ip::tcp::endpoint session_;
    asio::io_context io_;
    asio::steady_timer keepAlive_;
    std::vector<Member> members_;
    std::function<void(const Packet&)> listHandler_;
    int next_ = 0;
    int accepted_ = 0;
    int failed_ = 0;
};

std::filesystem::path MakeTempFolder() {
    auto folder = std::filesystem::temp_directory_path() / "velorin-bench-XXXXXX";
    std::string pattern = folder.string();
    return mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: velorin-central-bench [--server PATH] [--members N] "
                     "[--concurrency C] [--hold SECONDS] [--lists K] [--smoke]\n");
        return 2;
    }
    long descriptors = central::RaiseDescriptorLimit();
    if (descriptors < options.members + 64) {
        std::fprintf(stderr, "only %ld descriptors for %d members\n", descriptors, options.members);
        return 1;
    }
    std::filesystem::path folder = MakeTempFolder();
    std::filesystem::path db = folder / "central.db";
    {
        central::CMemberStore store;
        std::string error;
        std::vector<central::NewMember> members;
        for (int i = 0; i < options.members; ++i) {
            members.push_back({"m" + std::to_string(i), "bench-pw", 0, 1000});
        }
        std::printf("adding %d members...\n", options.members);
        std::fflush(stdout);
        if (!store.Open(db, error) || !store.AddMembers(members, 0, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }

    // A private loopback address, so a central already running elsewhere is left alone.
    CServerProcess server;
    std::string address;
    for (int tries = 0; tries < 50; ++tries) {
        address = "127.0.0." + std::to_string(200 + (getpid() + tries) % 50);
        // Every member connects from the one loopback address: lift the per-address limit.
        if (server.Start(options.server,
                         {"serve", "--listen", address, "--web-port", "0", "--db", db.string(),
                          "--max-per-address", std::to_string(2 * options.members + 100)})) {
            break;
        }
        server.Stop();
        address.clear();
    }
    if (address.empty()) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    std::printf("%s", server.FirstLine().c_str());

    asio::ip::tcp::endpoint session(asio::ip::make_address(address), kSessionServerPort);
    CBench bench(options, session);
    long restBefore = ResidentKiB(server.Pid());
    double cpuBefore = CpuSeconds(server.Pid());
    double seconds = bench.SignInAll();
    double cpu = CpuSeconds(server.Pid()) - cpuBefore;
    long restAfter = ResidentKiB(server.Pid());
    if (seconds < 0) {
        std::fprintf(stderr, "not every member was accepted\n");
        return 1;
    }
    std::printf(
        "sign-ins: %d in %.2f s = %.0f per second (%d in flight); server CPU %.2f ms "
        "per sign-in\n",
        options.members, seconds, options.members / seconds, options.concurrency,
        1000 * cpu / options.members);
    std::printf(
        "server memory: %ld KiB before, %ld KiB with all signed in = %.0f bytes per "
        "member (its 96-byte record included)\n",
        restBefore, restAfter,
        1024.0 * static_cast<double>(restAfter - restBefore) / options.members);
    std::fflush(stdout);

    int online = bench.Hold(options.holdSeconds);
    std::printf("after %d s of keep-alives: %d of %d members online\n", options.holdSeconds, online,
                options.members);
    bool ok = online == options.members;

    std::vector<double> times;
    for (int i = 0; i < options.lists; ++i) {
        size_t records = 0;
        times.push_back(bench.FetchList(records));
        if (records != static_cast<size_t>(options.members)) {
            std::fprintf(stderr, "the list held %zu records\n", records);
            ok = false;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("full list of %d records: best %.1f ms, median %.1f ms (%d downloads)\n",
                options.members, 1000 * times.front(), 1000 * times[times.size() / 2],
                options.lists);
    int status = server.Stop();
    std::printf("server exit status %d\n", status);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return ok && status == 0 ? 0 : 1;
}
