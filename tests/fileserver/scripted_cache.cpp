#include "scripted_cache.h"

#include <arpa/inet.h>

#include "net/payload.h"

namespace velorin::test {
namespace {

constexpr uint16_t kCheck = 2001, kCheckAnswer = 2003, kPayment = 2005, kPaymentAnswer = 2007;

std::string EncodeRequest(const PointsRequest& r) {
    CPayloadWriter w;
    w.Fixed(r.buyerId, 20).U32(r.tickets.ticket1).U32(r.tickets.ticket2).U32(r.tickets.ticket3);
    return w.U32(r.price).Take();
}

// Key words at offset 21 of both answers.
bool KeyOf(std::string_view payload, uint32_t& low, uint32_t& high) {
    CPayloadReader r(payload);
    return r.Skip(21) && r.U32(low) && r.U32(high);
}

}  // namespace

CScriptedCacheServer::CScriptedCacheServer() {
    if (listener_.ListenTcp(0) == 0) port_ = ntohs(listener_.LocalPort());
    thread_ = std::thread([this] { Serve(); });
}

CScriptedCacheServer::~CScriptedCacheServer() {
    listener_.Shutdown();
    link_.Shutdown();
    thread_.join();
}

std::vector<CScriptedCacheServer::Request> CScriptedCacheServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void CScriptedCacheServer::Serve() {
    if (listener_.Accept(link_) < 0) return;
    while (link_.ReceivePacket() > 0) {
        Request q;
        q.type = link_.IncomingType();
        CPayloadReader r(link_.IncomingPayload());
        if (!r.Fixed(20, q.memberId) || !r.U32(q.keyLow) || !r.U32(q.keyHigh) ||
            !r.U32(q.first) || !r.U32(q.second)) {
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(q);
        }
        std::optional<int8_t> code = q.type == kCheck ? checkCode.load() : paymentCode.load();
        if (!code) continue;
        CPayloadWriter w;
        if (q.type == kCheck) {
            w.I8(*code).Zeros(20).U32(q.keyLow).U32(q.keyHigh);
        } else {
            w.I32(*code).Zeros(17).U32(q.keyLow).U32(q.keyHigh).U32(credited).I64(balance);
        }
        std::string a = w.Take();
        uint16_t type = q.type == kCheck ? kCheckAnswer : kPaymentAnswer;
        link_.SendPacket(static_cast<uint16_t>(a.size()), type, a.data());
    }
}

CLoopbackPointsRequester::CLoopbackPointsRequester(uint16_t port) {
    socket_.ConnectTcp("127.0.0.1", port, 5);
    socket_.SetNonBlocking(false);
}

PointsExchange CLoopbackPointsRequester::Exchange(uint16_t type, const PointsRequest& request,
                                                  uint16_t answerType,
                                                  std::chrono::milliseconds timeout,
                                                  std::stop_token stop, std::string& answer) {
    std::lock_guard lock(mutex_);
    std::string payload = EncodeRequest(request);
    if (socket_.SendPacket(static_cast<uint16_t>(payload.size()), type, payload.data()) < 0) {
        return PointsExchange::kNotSent;
    }
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (stop.stop_requested()) return PointsExchange::kCancelled;
        if (!socket_.WaitReadable(std::chrono::milliseconds(5))) continue;
        if (socket_.ReceivePacket() < 0) return PointsExchange::kNoAnswer;
        uint32_t low = 0, high = 0;
        // A late answer to an earlier request is dropped.
        if (socket_.IncomingType() == answerType && KeyOf(socket_.IncomingPayload(), low, high) &&
            low == request.tickets.ticket1 && high == request.tickets.ticket2) {
            answer = std::string(socket_.IncomingPayload());
            return PointsExchange::kAnswered;
        }
    }
    return PointsExchange::kNoAnswer;
}

PointCheckResult CLoopbackPointsRequester::CheckPoints(const PointsRequest& request,
                                                       std::chrono::milliseconds timeout,
                                                       std::stop_token stop) {
    std::string answer;
    PointCheckResult result;
    result.exchange = Exchange(kCheck, request, kCheckAnswer, timeout, stop, answer);
    if (result.exchange == PointsExchange::kAnswered) CPayloadReader(answer).I8(result.code);
    return result;
}

PaymentResult CLoopbackPointsRequester::CollectPayment(const PointsRequest& request,
                                                       std::chrono::milliseconds timeout,
                                                       std::stop_token stop) {
    std::string answer;
    PaymentResult result;
    result.exchange = Exchange(kPayment, request, kPaymentAnswer, timeout, stop, answer);
    if (result.exchange == PointsExchange::kAnswered) {
        CPayloadReader r(answer);
        r.I8(result.code);
        r.Skip(28);
        r.U32(result.credited);
        r.I64(result.newBalance);
    }
    return result;
}

}  // namespace velorin::test
