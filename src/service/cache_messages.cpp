#include "service/cache_messages.h"

#include "net/payload.h"

namespace velorin {
namespace {

// Bytes 1 to 20 of the check answer and 4 to 20 of the payment answer carry nothing.
constexpr size_t kCheckGap = 20;
constexpr size_t kPaymentGap = 17;

}  // namespace

std::string EncodeCacheSignIn(const CacheSignIn& signIn) {
    CPayloadWriter w;
    w.Fixed(signIn.userId, kMemberIdSize);
    PutPassword(w, signIn.password);
    return w.Take();
}

bool DecodeCacheSignIn(std::string_view payload, CacheSignIn& signIn) {
    if (payload.size() != kCacheSignInSize) return false;
    CPayloadReader r(payload);
    return r.Fixed(kMemberIdSize, signIn.userId) && GetPassword(r, signIn.password);
}

std::string EncodePointRequest(const PointRequest& request) {
    CPayloadWriter w;
    w.Fixed(request.memberId, kMemberIdSize)
        .U32(request.keyLow)
        .U32(request.keyHigh)
        .U32(request.first)
        .U32(request.second);
    return w.Take();
}

bool DecodePointRequest(std::string_view payload, PointRequest& request) {
    if (payload.size() != kPointRequestSize) return false;
    CPayloadReader r(payload);
    return r.Fixed(kMemberIdSize, request.memberId) && r.U32(request.keyLow) &&
           r.U32(request.keyHigh) && r.U32(request.first) && r.U32(request.second);
}

std::string EncodePointCheckAnswer(const PointCheckAnswer& answer) {
    CPayloadWriter w;
    w.I8(answer.result).Zeros(kCheckGap).U32(answer.keyLow).U32(answer.keyHigh);
    return w.Take();
}

bool DecodePointCheckAnswer(std::string_view payload, PointCheckAnswer& answer) {
    if (payload.size() != kPointCheckAnswerSize) return false;
    CPayloadReader r(payload);
    return r.I8(answer.result) && r.Skip(kCheckGap) && r.U32(answer.keyLow) &&
           r.U32(answer.keyHigh);
}

std::string EncodePaymentAnswer(const PaymentAnswer& answer) {
    CPayloadWriter w;
    w.I32(answer.result)
        .Zeros(kPaymentGap)
        .U32(answer.keyLow)
        .U32(answer.keyHigh)
        .U32(answer.credited)
        .I64(answer.balance);
    return w.Take();
}

bool DecodePaymentAnswer(std::string_view payload, PaymentAnswer& answer) {
    if (payload.size() != kPaymentAnswerSize) return false;
    CPayloadReader r(payload);
    uint32_t word = 0;
    if (!r.U32(word)) return false;
    answer.result = static_cast<int8_t>(word & 0xFF);
    return r.Skip(kPaymentGap) && r.U32(answer.keyLow) && r.U32(answer.keyHigh) &&
           r.U32(answer.credited) && r.I64(answer.balance);
}

}  // namespace velorin
