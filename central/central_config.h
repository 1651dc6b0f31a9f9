#pragma once
// What `velorin-central serve` is told on its command line, plus the knobs
// that only tests and the load generator turn.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velorin::central {

struct CentralConfig {
    std::string listenAddress = "127.0.0.1";
    std::filesystem::path database = "central.db";
    std::optional<uint16_t> webPort = 8080;  // none: no web host; 0: any free port
    std::filesystem::path webRoot;
    uint32_t minVersion = 0;
    // A link that sends nothing for this long is dropped; an unaccepted one
    // is dropped this long after it connected.
    std::chrono::milliseconds keepAlive = std::chrono::seconds(120);
    // How often the keep-alive rule and ticket expiry are looked at.
    std::chrono::milliseconds sweepInterval = std::chrono::seconds(1);
    // Threads that derive password keys; 0: one per processor.
    unsigned hashThreads = 0;
    // Connections one address may hold open on each TCP port (a NAT holds many members).
    uint32_t maxPerAddress = 512;
};

// The web root shipped with the program: share/velorin-central/webroot beside
// the executable's bin folder.
std::filesystem::path DefaultWebRoot();

}  // namespace velorin::central
