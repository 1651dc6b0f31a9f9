#include "net/http_download.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "net/socket_handle.h"
#include "support/scripted_web_host.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using test::CScriptedWebHost;

// A TCP listener on a free loopback port.
uint16_t ListenOnLoopback(CSocketHandle& socket) {
    socket.Attach(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(socket.Get(), 4) != 0 ||
        getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}
using Trick = CScriptedWebHost::Trick;

class HttpDownload : public ::testing::Test {
protected:
    // The download over `host`, with the target holding "old" before.
    bool Fetch(const std::string& url, const DownloadLimits& limits = {}) {
        test::WriteFile(target_, "old");
        return DownloadFile(url, target_, limits, &error_);
    }
    size_t Leftovers() const {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
            count += entry.path() != target_;
        }
        return count;
    }

    test::CTempFolder folder_;
    std::filesystem::path target_ = folder_ / "badword.db";
    CScriptedWebHost host_;
    std::string error_;
};

TEST_F(HttpDownload, WholeBodyReplacesTheTargetAndAsksForNoCachedCopy) {
    std::string body(300 * 1024, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
    host_.Serve("patchdata/badword.db", body);
    ASSERT_TRUE(Fetch(host_.Root() + "patchdata/badword.db")) << error_;
    EXPECT_EQ(test::ReadFile(target_), body);
    EXPECT_EQ(host_.CacheControls(), std::vector<std::string>{"no-cache"});
    EXPECT_EQ(Leftovers(), 0u);
}

// Whatever goes wrong, the old file stays whole and no temporary file is left.
TEST_F(HttpDownload, FailuresLeaveTheTargetAsItWas) {
    struct Case {
        const char* name;
        std::string body;
        Trick trick;
        uint64_t maxBytes;
    } cases[] = {
        {"missing", "", Trick::kNone, 1 << 20},
        {"cut", std::string(200000, 'n'), Trick::kCutBody, 1 << 20},
        {"loop", "", Trick::kRedirectLoop, 1 << 20},
        {"endless", "", Trick::kHuge, 1 << 20},
        {"too-big", std::string(5000, 'b'), Trick::kNone, 4999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) != "missing") host_.Serve(c.name, c.body, c.trick);
        DownloadLimits limits;
        limits.maxBytes = c.maxBytes;
        EXPECT_FALSE(Fetch(host_.Root() + c.name, limits));
        EXPECT_FALSE(error_.empty());
        EXPECT_EQ(test::ReadFile(target_), "old");
        EXPECT_EQ(Leftovers(), 0u);
    }
}

// A host that accepts and then sends headers for ever, or nothing at all.
TEST_F(HttpDownload, SilentOrEndlessHostEndsWithinTheTimeout) {
    for (bool endless : {false, true}) {
        SCOPED_TRACE(endless ? "endless headers" : "silent");
        CSocketHandle listener;
        uint16_t port = ListenOnLoopback(listener);
        std::atomic<bool> done{false};
        std::thread peer([&] {
            CSocketHandle connection;
            connection.Attach(accept(listener.Get(), nullptr, nullptr));
            std::string line = "HTTP/1.1 200 OK\r\n";
            if (endless) {
                send(connection.Get(), line.data(), line.size(), MSG_NOSIGNAL);
                line = "X-Padding: " + std::string(1000, 'p') + "\r\n";
            }
            while (!done) {
                if (endless) send(connection.Get(), line.data(), line.size(), MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        DownloadLimits limits;
        limits.totalTimeout = std::chrono::milliseconds(1500);
        EXPECT_FALSE(Fetch("http://127.0.0.1:" + std::to_string(port) + "/x", limits));
        done = true;
        peer.join();
        EXPECT_EQ(test::ReadFile(target_), "old");
    }
}

}  // namespace
}  // namespace velorin
