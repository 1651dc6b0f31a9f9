#pragma once
// A web host played by the test: files by path on a loopback port, every
// request recorded, and misbehaviour on demand.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace velorin::test {

class CScriptedWebHost {
public:
    enum class Trick {
        kNone,
        kCutBody,       // declares the whole length, sends half, closes
        kRedirectLoop,  // every answer sends the client back to the same path
        kHuge,          // an endless body of unknown length
    };

    CScriptedWebHost();
    ~CScriptedWebHost();
    CScriptedWebHost(const CScriptedWebHost&) = delete;
    CScriptedWebHost& operator=(const CScriptedWebHost&) = delete;

    // "http://127.0.0.1:PORT/".
    std::string Root() const;
    // `path` without its leading "/", as "patchdata/update.ini".
    void Serve(const std::string& path, std::string body, Trick trick = Trick::kNone);
    void Remove(const std::string& path);
    // The paths asked for, in order, and their Cache-Control headers.
    std::vector<std::string> Requested() const;
    std::vector<std::string> CacheControls() const;

private:
    struct File {
        std::string body;
        Trick trick = Trick::kNone;
    };

    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, File> files_;
    std::vector<std::string> requested_;
    std::vector<std::string> cacheControls_;
};

}  // namespace velorin::test
