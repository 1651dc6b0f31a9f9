#include "central/web_host.h"

#include <httplib.h>

#include <atomic>
#include <chrono>

namespace velorin::central {
namespace {

constexpr size_t kWebThreads = 4;

}  // namespace

struct CWebHost::Impl {
    httplib::Server server;
    std::atomic<bool> ended{false};
};

CWebHost::CWebHost() : impl_(std::make_unique<Impl>()) {}

CWebHost::~CWebHost() { Stop(); }

bool CWebHost::Start(const std::string& address, uint16_t port,
                     const std::filesystem::path& root, std::string& error) {
    httplib::Server& server = impl_->server;
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) {
        error = root.string() + ": the web root is not a folder";
        return false;
    }
    server.new_task_queue = [] { return new httplib::ThreadPool(kWebThreads); };
    server.set_file_extension_and_mimetype_mapping("php", "text/html");
    server.set_file_extension_and_mimetype_mapping("ini", "text/plain");
    server.set_file_extension_and_mimetype_mapping("db", "application/octet-stream");
    server.set_file_extension_and_mimetype_mapping("exe", "application/octet-stream");
    if (!server.set_mount_point("/", root.string())) {
        error = root.string() + ": the web root cannot be served";
        return false;
    }
    int bound = -1;
    if (port == 0) {
        bound = server.bind_to_any_port(address);
    } else if (server.bind_to_port(address, port)) {
        bound = port;
    }
    if (bound <= 0) {
        error = address + " TCP " + std::to_string(port) + ": the web port cannot be opened";
        return false;
    }
    port_ = static_cast<uint16_t>(bound);
    thread_ = std::thread([this] {
        impl_->server.listen_after_bind();
        impl_->ended = true;
    });
    // stop() does nothing to a server that is not running yet, so Stop could
    // otherwise wait forever for a thread that only then begins to listen.
    while (!server.is_running() && !impl_->ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!server.is_running()) {
        thread_.join();
        error = address + " TCP " + std::to_string(port_) + ": the web host did not start";
        return false;
    }
    return true;
}

void CWebHost::Stop() {
    if (!thread_.joinable()) return;
    impl_->server.stop();
    thread_.join();
}

}  // namespace velorin::central
