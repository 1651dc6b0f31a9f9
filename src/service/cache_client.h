#pragma once
// The link to the cache server (TCP 2303): the last step of the sign-in
// chain, point balances, and the serving side's settlement, whose answers are
// matched to the waiting requester by their request key. It connects to the
// cache-server address, else to the fallback (the session server's), and
// after a drop while the member is online reconnects once.
#include <atomic>
#include <string>

#include "fileserver/points_requester.h"
#include "net/packet_link.h"
#include "platform/clock.h"
#include "service/cache_messages.h"
#include "service/pending_reply_map.h"

namespace velorin {

class CPointBalance;
class CStatusLines;

class CCacheClient : public CPacketLink, public IPointsRequester {
public:
    // `serverRunning`: the process's ServerRunning flag, 1 while online.
    CCacheClient(const IClock& clock, CPointBalance& balance, CStatusLines& status,
                 const std::atomic<bool>& serverRunning);
    ~CCacheClient() override;

    int Prepare(CMessageQueue* queue, WindowHandle window, std::string address,
                std::string fallbackAddress, uint16_t port);

    int RequestBalance();
    int SendSignOff();
    // The caller registered itself in the matching map first.
    int RequestPointCheck(const PointRequest& request);
    int RequestPayment(const PointRequest& request);
    // Both maps; at every sign-in.
    void ClearPendingReplies();
    bool SignedIn() const { return signedIn_; }

    PointCheckResult CheckPoints(const PointsRequest& request, std::chrono::milliseconds timeout,
                                 std::stop_token stop) override;
    PaymentResult CollectPayment(const PointsRequest& request, std::chrono::milliseconds timeout,
                                 std::stop_token stop) override;

    int OnPacket() override;
    void OnIdle() override;
    void OnConnect(bool ok, const std::string& userId, const std::string& password) override;

protected:
    int Work() override;

private:
    struct Exchange {
        PointsExchange outcome;
        ReplyFields fields;
    };
    Exchange Settle(PendingReplyMap& map, uint16_t type, const PointsRequest& request,
                    std::chrono::milliseconds timeout, std::stop_token stop);
    bool ConnectEither();
    int Queue(uint16_t type, const std::string& payload);

    const IClock& clock_;
    CPointBalance& balance_;
    CStatusLines& status_;
    const std::atomic<bool>& serverRunning_;
    std::string address_;
    std::string fallbackAddress_;
    uint16_t port_ = 0;
    PendingReplyMap checks_;
    PendingReplyMap payments_;
    std::atomic<bool> retry_{false};
    std::atomic<bool> signedIn_{false};
    std::atomic<int64_t> lastKeepAlive_{0};
};

}  // namespace velorin
