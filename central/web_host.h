#pragma once
// The service's web host: serves the files of a web root from one event loop
// of its own. Pages named .php are plain pages of our own, served as
// text/html; the query of a request (the account page carries the member's
// password in it) is never looked at and never written anywhere.
//
// A connection must deliver its request headers within the header deadline
// (counted from the connection, then from each answer on a kept-alive one),
// else it is closed; one address holds at most `maxPerAddress` connections.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace velorin::central {

class CWebHost {
public:
    static constexpr std::chrono::milliseconds kHeaderDeadline = std::chrono::seconds(10);

    explicit CWebHost(std::chrono::milliseconds headerDeadline = kHeaderDeadline);
    ~CWebHost();
    CWebHost(const CWebHost&) = delete;
    CWebHost& operator=(const CWebHost&) = delete;

    // Binds at once (port 0: any free port) and serves on a thread of its own;
    // `maxPerAddress` 0: no limit.
    bool Start(const std::string& address, uint16_t port, const std::filesystem::path& root,
               uint32_t maxPerAddress, std::string& error);
    void Stop();
    uint16_t Port() const { return port_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    uint16_t port_ = 0;
};

}  // namespace velorin::central
