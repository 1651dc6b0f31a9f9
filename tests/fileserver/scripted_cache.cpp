#include "scripted_cache.h"

#include <arpa/inet.h>

namespace velorin::test {
namespace {

std::string EncodeRequest(const PointsRequest& r) {
    return EncodePointRequest(
        {r.buyerId, r.tickets.ticket1, r.tickets.ticket2, r.tickets.ticket3, r.price});
}

// The request key both answers echo.
bool KeyOf(uint16_t type, std::string_view payload, uint32_t& low, uint32_t& high) {
    PaymentAnswer payment;
    PointCheckAnswer check;
    bool whole = type == kPointCheckAnswer ? DecodePointCheckAnswer(payload, check)
                                           : DecodePaymentAnswer(payload, payment);
    low = type == kPointCheckAnswer ? check.keyLow : payment.keyLow;
    high = type == kPointCheckAnswer ? check.keyHigh : payment.keyHigh;
    return whole;
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
        if (!DecodePointRequest(link_.IncomingPayload(), q)) continue;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(q);
        }
        bool check = q.type == kPointCheck;
        std::optional<int8_t> code = check ? checkCode.load() : paymentCode.load();
        if (!code) continue;
        std::string a = check
                            ? EncodePointCheckAnswer({*code, q.keyLow, q.keyHigh})
                            : EncodePaymentAnswer({*code, q.keyLow, q.keyHigh, credited, balance});
        link_.SendPacket(static_cast<uint16_t>(a.size()),
                         check ? kPointCheckAnswer : kPaymentAnswer, a.data());
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
        if (socket_.IncomingType() == answerType &&
            KeyOf(answerType, socket_.IncomingPayload(), low, high) &&
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
    std::string payload;
    PointCheckResult result;
    result.exchange = Exchange(kPointCheck, request, kPointCheckAnswer, timeout, stop, payload);
    PointCheckAnswer answer;
    if (result.exchange == PointsExchange::kAnswered && DecodePointCheckAnswer(payload, answer)) {
        result.code = answer.result;
    }
    return result;
}

PaymentResult CLoopbackPointsRequester::CollectPayment(const PointsRequest& request,
                                                       std::chrono::milliseconds timeout,
                                                       std::stop_token stop) {
    std::string payload;
    PaymentResult result;
    result.exchange = Exchange(kPayment, request, kPaymentAnswer, timeout, stop, payload);
    PaymentAnswer answer;
    if (result.exchange == PointsExchange::kAnswered && DecodePaymentAnswer(payload, answer)) {
        result.code = answer.result;
        result.credited = answer.credited;
        result.newBalance = answer.balance;
    }
    return result;
}

}  // namespace velorin::test
