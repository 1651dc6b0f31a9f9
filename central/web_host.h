#pragma once
// The service's web host: serves the files of a web root on its own thread.
// Pages named .php are plain pages of our own, served as text/html; the query
// of a request (the account page carries the member's password in it) is
// never looked at and never written anywhere.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace velorin::central {

class CWebHost {
public:
    CWebHost();
    ~CWebHost();
    CWebHost(const CWebHost&) = delete;
    CWebHost& operator=(const CWebHost&) = delete;

    // Binds at once (port 0: any free port) and serves on a thread of its own.
    bool Start(const std::string& address, uint16_t port, const std::filesystem::path& root,
               std::string& error);
    void Stop();
    uint16_t Port() const { return port_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::thread thread_;
    uint16_t port_ = 0;
};

}  // namespace velorin::central
