#include "central/cache_connection.h"

#include "central/central_server.h"
#include "service/cache_messages.h"
#include "service/session_messages.h"

namespace velorin::central {

std::shared_ptr<CCacheConnection> CCacheConnection::Self() {
    return std::static_pointer_cast<CCacheConnection>(shared_from_this());
}

bool CCacheConnection::OnPacket(const Packet& packet) {
    if (state_ == State::kNew) {
        return packet.type == kCacheSignIn ? OnSignIn(packet.payload) : true;
    }
    if (state_ != State::kSignedIn) return true;
    switch (packet.type) {
        case kCacheSignOff:
            Close();
            return true;
        case kPointCheck:
            return OnPointCheck(packet.payload);
        case kPayment:
            return OnPayment(packet.payload);
        case kBalanceRequest:
            return OnBalanceRequest();
        default:
            return true;  // keep-alive, unknown types
    }
}

bool CCacheConnection::OnSignIn(const std::string& payload) {
    CacheSignIn signIn;
    if (!DecodeCacheSignIn(payload, signIn)) return false;
    state_ = State::kVerifying;
    server_.VerifyMember(shared_from_this(), signIn.userId, signIn.password,
                         [self = Self()](Verdict verdict, const MemberRecord& member) {
                             if (verdict != Verdict::kAccepted) {
                                 self->Send(kCacheSignInResult,
                                            EncodeSignInResult(verdict == Verdict::kDisabled
                                                                   ? kSignInDisabled
                                                                   : kSignInBadCredentials));
                                 self->CloseAfterFlush();
                                 return;
                             }
                             self->memberId_ = member.id;
                             self->state_ = State::kSignedIn;
                             self->MarkAccepted();
                             self->Send(kCacheSignInResult, EncodeSignInResult(kSignInAccepted));
                         });
    return true;
}

bool CCacheConnection::OnPointCheck(const std::string& payload) {
    PointRequest request;
    if (!DecodePointRequest(payload, request)) return false;
    return AskStore(
        [request, seller = memberId_](CMemberStore& store) {
            return PointCheckAnswer{store.CheckTicket(request, seller), request.keyLow,
                                    request.keyHigh};
        },
        [self = Self()](PointCheckAnswer answer) {
            self->Send(kPointCheckAnswer, EncodePointCheckAnswer(answer));
        });
}

bool CCacheConnection::OnPayment(const std::string& payload) {
    PointRequest request;
    if (!DecodePointRequest(payload, request)) return false;
    return AskStore([request, seller = memberId_](
                        CMemberStore& store) { return store.PayTicket(request, seller); },
                    [self = Self()](PaymentAnswer answer) {
                        self->Send(kPaymentAnswer, EncodePaymentAnswer(answer));
                    });
}

bool CCacheConnection::OnBalanceRequest() {
    return AskStore([id = memberId_](CMemberStore& store) { return store.Balance(id).value_or(0); },
                    [self = Self()](int64_t balance) {
                        self->Send(kCacheBalance, EncodePointBalance(balance));
                    });
}

}  // namespace velorin::central
