#include "service/cache_client.h"

#include <thread>

#include "fileserver/point_balance.h"
#include "platform/status_lines.h"
#include "platform/window_messages.h"
#include "service/session_client.h"

namespace velorin {
namespace {

constexpr int kCacheConnectTimeout = 6;
constexpr std::chrono::milliseconds kReconnectPause(100);

PointRequest ToWire(const PointsRequest& request) {
    return PointRequest{request.buyerId, request.tickets.ticket1, request.tickets.ticket2,
                        request.tickets.ticket3, request.price};
}

}  // namespace

CCacheClient::CCacheClient(const IClock& clock, CPointBalance& balance, CStatusLines& status,
                           const std::atomic<bool>& serverRunning)
    : clock_(clock), balance_(balance), status_(status), serverRunning_(serverRunning) {}

CCacheClient::~CCacheClient() {
    Stop();
}

int CCacheClient::Prepare(CMessageQueue* queue, WindowHandle window, std::string address,
                          std::string fallbackAddress, uint16_t port) {
    SetWindow(queue, window, kCacheLink);
    address_ = std::move(address);
    fallbackAddress_ = std::move(fallbackAddress);
    port_ = port;
    return PrepareQueue(kServiceLinkQueue);
}

int CCacheClient::Queue(uint16_t type, const std::string& payload) {
    return QueuePacket(static_cast<uint16_t>(payload.size()), type, payload.data());
}

int CCacheClient::RequestBalance() {
    return QueuePacket(0, kBalanceRequest, nullptr);
}

int CCacheClient::SendSignOff() {
    return QueuePacket(0, kCacheSignOff, nullptr);
}

int CCacheClient::RequestPointCheck(const PointRequest& request) {
    return Queue(kPointCheck, EncodePointRequest(request));
}

int CCacheClient::RequestPayment(const PointRequest& request) {
    return Queue(kPayment, EncodePointRequest(request));
}

void CCacheClient::ClearPendingReplies() {
    checks_.Clear();
    payments_.Clear();
}

CCacheClient::Exchange CCacheClient::Settle(PendingReplyMap& map, uint16_t type,
                                            const PointsRequest& request,
                                            std::chrono::milliseconds timeout,
                                            std::stop_token stop) {
    CReplyWaiter waiter;
    uint64_t key = PendingReplyMap::Key(request.tickets.ticket1, request.tickets.ticket2);
    if (!map.Insert(key, &waiter)) return {PointsExchange::kAlreadyWaiting, {}};
    // Requests before the cache sign-in is accepted would be ignored by the server.
    if (!signedIn_ || Queue(type, EncodePointRequest(ToWire(request))) < 0) {
        map.Remove(key, &waiter);
        return {PointsExchange::kNotSent, {}};
    }
    CReplyWaiter::Outcome outcome = waiter.Wait(timeout, stop);
    map.Remove(key, &waiter);
    switch (outcome) {
        case CReplyWaiter::Outcome::kAnswered:
            return {PointsExchange::kAnswered, waiter.Fields()};
        case CReplyWaiter::Outcome::kStopped:
            return {PointsExchange::kCancelled, {}};
        case CReplyWaiter::Outcome::kTimedOut:
            break;
    }
    return {PointsExchange::kNoAnswer, {}};
}

PointCheckResult CCacheClient::CheckPoints(const PointsRequest& request,
                                           std::chrono::milliseconds timeout,
                                           std::stop_token stop) {
    Exchange exchange = Settle(checks_, kPointCheck, request, timeout, std::move(stop));
    return PointCheckResult{exchange.outcome, exchange.fields.code};
}

PaymentResult CCacheClient::CollectPayment(const PointsRequest& request,
                                           std::chrono::milliseconds timeout,
                                           std::stop_token stop) {
    Exchange exchange = Settle(payments_, kPayment, request, timeout, std::move(stop));
    return PaymentResult{exchange.outcome, exchange.fields.code, exchange.fields.credited,
                         exchange.fields.balance};
}

bool CCacheClient::ConnectEither() {
    return ConnectTcp(address_, port_, kCacheConnectTimeout) == 0 ||
           ConnectTcp(fallbackAddress_, port_, kCacheConnectTimeout) == 0;
}

int CCacheClient::Work() {
    ResetLink();
    retry_ = false;
    for (;;) {
        signedIn_ = false;
        if (!ConnectEither()) {
            OnConnect(false, userId_, password_);
            OnClose(1);
            return -1;
        }
        OnConnect(true, userId_, password_);
        LoopEnd end = RunLoop();
        signedIn_ = false;
        // Asked to stop, or the member is not online: no reconnection.
        if (!IsRunning() || !serverRunning_) {
            OnClose(1);
            return end == kLoopStopped ? 0 : -1;
        }
        if (retry_) {
            retry_ = false;
            OnClose(1);
            return -1;
        }
        retry_ = true;
        Close();
        std::this_thread::sleep_for(kReconnectPause);
        if (!IsRunning()) return 0;
        ResetLink();
    }
}

void CCacheClient::OnConnect(bool ok, const std::string& userId, const std::string& password) {
    userId_ = userId;
    password_ = password;
    lastKeepAlive_ = clock_.Now().count();
    if (ok) {
        Queue(kCacheSignIn, EncodeCacheSignIn(CacheSignIn{userId, MakePasswordField(password)}));
    } else if (!retry_ && IsRunning()) {
        Post(WM_SESSION_STEP, 5, 0);
    }
}

void CCacheClient::OnIdle() {
    int64_t now = clock_.Now().count();
    if (now - lastKeepAlive_ < std::chrono::milliseconds(kKeepAliveAfter).count()) return;
    lastKeepAlive_ = now;
    QueuePacket(0, kCacheKeepAlive, nullptr);
}

int CCacheClient::OnPacket() {
    switch (IncomingType()) {
        case kCacheSignInResult: {
            int32_t code = 0;
            if (!DecodeSignInResult(IncomingPayload(), code)) return -1;
            if (code < 0) {
                // Refused on the first connection: the chain's step 5 says so,
                // and the drop that follows is then not reported again.
                if (!retry_) Post(WM_SESSION_STEP, 5, code);
                return -1;
            }
            if (!retry_) Post(WM_SESSION_STEP, 4, code);
            retry_ = false;
            signedIn_ = true;
            return 0;
        }
        case kPointCheckAnswer: {
            PointCheckAnswer answer;
            if (!DecodePointCheckAnswer(IncomingPayload(), answer)) return 0;
            // The link's thread: the status lines hand the row to the loop.
            if (answer.result < 0)
                status_.AddStatusLine(points_text::kCheckUnauthorised, kStatusCaution);
            checks_.Answer(PendingReplyMap::Key(answer.keyLow, answer.keyHigh),
                           ReplyFields{answer.result, 0, 0});
            return 0;
        }
        case kPaymentAnswer: {
            PaymentAnswer answer;
            if (!DecodePaymentAnswer(IncomingPayload(), answer)) return 0;
            payments_.Answer(PendingReplyMap::Key(answer.keyLow, answer.keyHigh),
                             ReplyFields{answer.result, answer.credited, answer.balance});
            return 0;
        }
        case kCacheBalance: {
            int64_t balance = 0;
            if (DecodePointBalance(IncomingPayload(), balance)) balance_.SetBalance(balance);
            return 0;
        }
        default:
            return 0;
    }
}

}  // namespace velorin
