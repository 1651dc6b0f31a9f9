#pragma once
// A cache server that accepts the cache link's sign-in and answers point
// checks and payments as a test scripts them.
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "net/packet_socket.h"
#include "service/cache_messages.h"

namespace velorin::test {

class CScriptedCacheServer {
public:
    struct Request : PointRequest {
        uint16_t type = 0;
    };

    CScriptedCacheServer();
    ~CScriptedCacheServer();
    uint16_t Port() const { return port_; }
    std::vector<Request> Requests() const;

    // Nothing: the request is never answered.
    std::atomic<std::optional<int8_t>> checkCode{int8_t{0}};
    std::atomic<std::optional<int8_t>> paymentCode{int8_t{0}};
    std::atomic<uint32_t> credited{0};
    std::atomic<int64_t> balance{0};

private:
    void Serve();
    void Answer(uint16_t type, const std::string& payload);

    CTcpSocket listener_;
    CPacketSocket link_;
    uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    std::thread thread_;
};

}  // namespace velorin::test
