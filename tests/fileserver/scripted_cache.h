#pragma once
// A cache server that answers point checks and payments as a test scripts
// them, and a points requester that speaks to it over loopback with the cache
// link's layouts. The requester runs one exchange at a time.
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "fileserver/points_requester.h"
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

    CTcpSocket listener_;
    CPacketSocket link_;
    uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    std::thread thread_;
};

class CLoopbackPointsRequester : public IPointsRequester {
public:
    explicit CLoopbackPointsRequester(uint16_t port);

    PointCheckResult CheckPoints(const PointsRequest& request, std::chrono::milliseconds timeout,
                                 std::stop_token stop) override;
    PaymentResult CollectPayment(const PointsRequest& request, std::chrono::milliseconds timeout,
                                 std::stop_token stop) override;

private:
    // The answer of `answerType` to the request, or how the exchange ended.
    PointsExchange Exchange(uint16_t type, const PointsRequest& request, uint16_t answerType,
                            std::chrono::milliseconds timeout, std::stop_token stop,
                            std::string& answer);

    std::mutex mutex_;
    CPacketSocket socket_;
};

}  // namespace velorin::test
