#include "scripted_cache.h"

#include <arpa/inet.h>

#include "service/session_messages.h"

namespace velorin::test {

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

void CScriptedCacheServer::Answer(uint16_t type, const std::string& payload) {
    link_.SendPacket(static_cast<uint16_t>(payload.size()), type, payload.data());
}

void CScriptedCacheServer::Serve() {
    if (listener_.Accept(link_) < 0) return;
    while (link_.ReceivePacket() > 0) {
        Request q;
        q.type = link_.IncomingType();
        if (q.type == kCacheSignIn) {
            Answer(kCacheSignInResult, EncodeSignInResult(0));
            continue;
        }
        if (!DecodePointRequest(link_.IncomingPayload(), q)) continue;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(q);
        }
        bool check = q.type == kPointCheck;
        std::optional<int8_t> code = check ? checkCode.load() : paymentCode.load();
        if (!code) continue;
        Answer(check ? kPointCheckAnswer : kPaymentAnswer,
               check ? EncodePointCheckAnswer({*code, q.keyLow, q.keyHigh})
                     : EncodePaymentAnswer({*code, q.keyLow, q.keyHigh, credited, balance}));
    }
}

}  // namespace velorin::test
