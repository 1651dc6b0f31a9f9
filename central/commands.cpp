#include "central/commands.h"

#include <asio/signal_set.hpp>
#include <charconv>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "central/central_server.h"
#include "central/descriptor_limit.h"
#include "central/member_store.h"
#include "platform/clock.h"
#include "service/cache_messages.h"
#include "service/session_messages.h"
#include "service/ticket_messages.h"
#include "velorin_version.h"

namespace velorin::central {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: velorin-central serve [--listen ADDR] [--web-port N] [--web-root DIR]\n"
    "                             [--min-version N] [--max-per-address N] [--db FILE]\n"
    "       velorin-central add-member ID PASSWORD [--age N] [--points N] [--db FILE]\n"
    "       velorin-central set-points ID N [--db FILE]\n"
    "       velorin-central disable-member ID [--db FILE]\n"
    "       velorin-central enable-member ID [--db FILE]\n"
    "       velorin-central list-members [--db FILE]\n"
    "--db defaults to central.db in the current folder; --web-port 0 serves no web host;\n"
    "--max-per-address (default 512) bounds the connections one address holds on each port.\n";

constexpr const char* kHelp =
    "\n"
    "The central service Velorin clients sign in to: session server (TCP 3823), cache\n"
    "server (TCP 2303), ticket port (TCP 7296), reachability responder (UDP 7296) and\n"
    "web host (TCP 8080); the other commands manage the members in the database.\n"
    "\n"
    "  --listen ADDR          IPv4 address to serve on (default 127.0.0.1)\n"
    "  --web-port N           web host's port (default 8080; 0: no web host)\n"
    "  --web-root DIR         web root (default ../share/velorin-central/webroot\n"
    "                         from the program's folder)\n"
    "  --min-version N        refuse clients below this version\n"
    "  --max-per-address N    connections one address may hold on each port\n"
    "  --db FILE              the members' database (default central.db)\n"
    "  --age N, --points N    the new member's age and points\n"
    "  --help                 display this help and exit\n"
    "  --version              output version information and exit\n"
    "\n"
    "Exit status: 0 done, 1 failed, 2 wrong usage. SIGINT or SIGTERM stops serve.\n";

constexpr const char* kVersion = "velorin-central " VELORIN_VERSION
                                 "\n"
                                 "Copyright (C) The Velorin developers. All rights reserved.\n";

struct CommandShape {
    size_t positional;
    std::set<std::string> options;
};

// --keepalive-seconds is left out of the usage text: it exists for tests.
const std::map<std::string, CommandShape> kCommands = {
    {"serve",
     {0,
      {"--db", "--listen", "--web-port", "--web-root", "--min-version", "--max-per-address",
       "--keepalive-seconds"}}},
    {"add-member", {2, {"--db", "--age", "--points"}}},
    {"set-points", {2, {"--db"}}},
    {"disable-member", {1, {"--db"}}},
    {"enable-member", {1, {"--db"}}},
    {"list-members", {0, {"--db"}}},
};

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    std::string Option(const std::string& name, const std::string& fallback) const {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
};

bool Parse(int argc, char** argv, Arguments& args) {
    if (argc < 2) return false;
    args.command = argv[1];
    auto shape = kCommands.find(args.command);
    if (shape == kCommands.end()) return false;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--", 0) == 0) {
            if (!shape->second.options.count(a) || i + 1 >= argc || args.options.count(a)) {
                return false;
            }
            args.options[a] = argv[++i];
        } else {
            args.positional.push_back(a);
        }
    }
    return args.positional.size() == shape->second.positional;
}

bool Number(const std::string& text, int64_t lowest, int64_t highest, int64_t& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && out >= lowest && out <= highest;
}

int Fail(const std::string& error) {
    std::fprintf(stderr, "velorin-central: %s\n", error.c_str());
    return kExitFailed;
}

int Usage(const std::string& error) {
    std::fprintf(stderr, "velorin-central: %s\n%s", error.c_str(), kUsage);
    return kExitUsage;
}

bool OpenStore(const Arguments& args, CMemberStore& store, std::string& error) {
    return store.Open(args.Option("--db", "central.db"), error);
}

int Serve(const Arguments& args) {
    CentralConfig config;
    config.database = args.Option("--db", "central.db");
    config.listenAddress = args.Option("--listen", config.listenAddress);
    config.webRoot = args.Option("--web-root", DefaultWebRoot().string());
    int64_t number = 0;
    if (!Number(args.Option("--web-port", "8080"), 0, 65535, number)) {
        return Usage("--web-port wants a port number");
    }
    config.webPort = number == 0 ? std::nullopt : std::optional<uint16_t>(number);
    if (!Number(args.Option("--min-version", "0"), 0, UINT32_MAX, number)) {
        return Usage("--min-version wants a number");
    }
    config.minVersion = static_cast<uint32_t>(number);
    if (!Number(args.Option("--max-per-address", std::to_string(config.maxPerAddress)), 1,
                UINT32_MAX, number)) {
        return Usage("--max-per-address wants a number of connections");
    }
    config.maxPerAddress = static_cast<uint32_t>(number);
    if (!Number(args.Option("--keepalive-seconds", "120"), 1, 86400, number)) {
        return Usage("--keepalive-seconds wants a number of seconds");
    }
    config.keepAlive = std::chrono::seconds(number);

    long descriptors = RaiseDescriptorLimit();
    CCentralServer server(config, SystemClock());
    std::string error;
    if (!server.Start(error)) return Fail(error);

    asio::signal_set signals(server.Loop(), SIGINT, SIGTERM);
    signals.async_wait([&server](const asio::error_code& ec, int) {
        if (!ec) server.Stop();
    });
    std::string web = server.WebPort() ? "web TCP " + std::to_string(*server.WebPort())
                                       : std::string("no web host");
    std::printf(
        "velorin-central: serving %s on %s (session TCP %u, cache TCP %u, tickets TCP %u, "
        "probe UDP %u, %s; %ld descriptors)\n",
        config.database.string().c_str(), config.listenAddress.c_str(), kSessionServerPort,
        kCacheServerPort, kTicketPort, kTicketPort, web.c_str(), descriptors);
    std::fflush(stdout);
    server.Run();
    return kExitDone;
}

int AddMember(const Arguments& args) {
    NewMember member;
    member.id = args.positional[0];
    member.password = args.positional[1];
    int64_t number = 0;
    if (!Number(args.Option("--age", "0"), 0, 200, number)) return Usage("--age wants 0 to 200");
    member.age = static_cast<uint32_t>(number);
    if (!Number(args.Option("--points", "0"), 0, kMaxPoints, number)) {
        return Usage("--points wants 0 to " + std::to_string(kMaxPoints));
    }
    member.points = number;
    CMemberStore store;
    std::string error;
    if (!OpenStore(args, store, error) ||
        !store.AddMembers({member}, SystemClock().WallSeconds(), error)) {
        return Fail(error);
    }
    return kExitDone;
}

int SetPoints(const Arguments& args) {
    int64_t points = 0;
    if (!Number(args.positional[1], 0, kMaxPoints, points)) {
        return Usage("points run from 0 to " + std::to_string(kMaxPoints));
    }
    CMemberStore store;
    std::string error;
    if (!OpenStore(args, store, error) || !store.SetPoints(args.positional[0], points, error)) {
        return Fail(error);
    }
    return kExitDone;
}

int SetDisabled(const Arguments& args, bool disabled) {
    CMemberStore store;
    std::string error;
    if (!OpenStore(args, store, error) || !store.SetDisabled(args.positional[0], disabled, error)) {
        return Fail(error);
    }
    return kExitDone;
}

int ListMembers(const Arguments& args) {
    CMemberStore store;
    std::string error;
    if (!OpenStore(args, store, error)) return Fail(error);
    std::printf("ID\tpoints\treserved\tage\tstate\n");
    for (const MemberRecord& m : store.ListMembers()) {
        std::printf("%s\t%" PRId64 "\t%" PRId64 "\t%u\t%s\n", m.id.c_str(), m.points, m.reserved,
                    m.age, m.disabled ? "disabled" : "enabled");
    }
    return kExitDone;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return kExitDone;
        }
        if (a == "--version") {
            std::fputs(kVersion, stdout);
            return kExitDone;
        }
    }
    Arguments args;
    if (!Parse(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (args.command == "serve") return Serve(args);
    if (args.command == "add-member") return AddMember(args);
    if (args.command == "set-points") return SetPoints(args);
    if (args.command == "disable-member") return SetDisabled(args, true);
    if (args.command == "enable-member") return SetDisabled(args, false);
    return ListMembers(args);
}

}  // namespace velorin::central
