#include "support/scripted_web_host.h"

#include <httplib.h>

#include <chrono>

namespace velorin::test {

CScriptedWebHost::CScriptedWebHost() : server_(std::make_unique<httplib::Server>()) {
    server_->Get(R"(/(.*))", [this](const httplib::Request& request, httplib::Response& response) {
        File file;
        bool found = false;
        {
            std::lock_guard lock(mutex_);
            std::string path = request.matches[1];
            requested_.push_back(path);
            cacheControls_.push_back(request.get_header_value("Cache-Control"));
            auto it = files_.find(path);
            if (it != files_.end()) {
                file = it->second;
                found = true;
            }
        }
        if (!found) {
            response.status = 404;
            return;
        }
        switch (file.trick) {
            case Trick::kNone:
                response.set_content(file.body, "application/octet-stream");
                break;
            case Trick::kCutBody: {
                auto body = std::make_shared<std::string>(file.body);
                response.set_content_provider(
                    body->size(), "application/octet-stream",
                    [body](size_t offset, size_t, httplib::DataSink& sink) {
                        // Half, then the connection breaks.
                        if (offset >= body->size() / 2) return false;
                        sink.write(body->data(), body->size() / 2);
                        return true;
                    });
                break;
            }
            case Trick::kRedirectLoop:
                response.set_redirect(request.path);
                break;
            case Trick::kHuge:
                response.set_chunked_content_provider(
                    "application/octet-stream", [](size_t, httplib::DataSink& sink) {
                        static const std::string block(64 * 1024, 'x');
                        return sink.write(block.data(), block.size());
                    });
                break;
        }
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // A stop before the loop runs would not reach it.
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

CScriptedWebHost::~CScriptedWebHost() {
    server_->stop();
    thread_.join();
}

std::string CScriptedWebHost::Root() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void CScriptedWebHost::Serve(const std::string& path, std::string body, Trick trick) {
    std::lock_guard lock(mutex_);
    files_[path] = File{std::move(body), trick};
}

void CScriptedWebHost::Remove(const std::string& path) {
    std::lock_guard lock(mutex_);
    files_.erase(path);
}

std::vector<std::string> CScriptedWebHost::Requested() const {
    std::lock_guard lock(mutex_);
    return requested_;
}

std::vector<std::string> CScriptedWebHost::CacheControls() const {
    std::lock_guard lock(mutex_);
    return cacheControls_;
}

}  // namespace velorin::test
