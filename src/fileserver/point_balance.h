#pragma once
// The member's point balance and the price of a download: files below
// 10485760 bytes are free, otherwise 8 points per whole MiB moved.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace velorin {

inline constexpr uint64_t kPricedFileSize = 10485760;
inline constexpr uint64_t kPriceUnit = 1048576;
inline constexpr int64_t kPointsPerUnit = 8;

// The price rule for a file of `size` bytes of which `moved` were moved.
int64_t PriceOf(uint64_t size, uint64_t moved);
// The point check before a download: only for a file above 10485760 bytes
// (exactly 10485760 is not above), priced on what is left from `offset`; the
// check runs even when that comes to 0.
std::optional<uint32_t> CheckPriceOf(uint64_t size, uint64_t offset);

class CPointBalance {
public:
    void SetBalance(int64_t balance);
    int64_t Balance() const;
    int64_t QuotePrice(uint64_t size, uint64_t moved) const { return PriceOf(size, moved); }
    // The downloading side's charge after it paid: the balance drops by the price.
    int64_t ChargePrice(uint64_t size, uint64_t moved);

private:
    mutable std::mutex mutex_;
    int64_t balance_ = 0;
};

// Event-log lines of the serving side's settlement (kind 8 unless said).
namespace points_text {
inline constexpr const char* kCheckNotSent =
    "상대방의 포인트 정보 요청을 보낼수 없습니다. .(상대방이 비정상적인 사용자일수 있습니다)";
inline constexpr const char* kCheckRefused =
    "상대방의 포인트 정보가 틀렸습니다.(상대방이 비정상적인 사용자일수 있습니다)";
// Kind 4, written by the cache link when a check answer is negative.
inline constexpr const char* kCheckUnauthorised =
    "인증되지 않은 결재 정보 때문에 오류가 발생했습니다. 에러 01";
inline constexpr const char* kCheckNoAnswer =
    "상대방의 포인트 정보 요청에 응답이 없습니다..(상대방이 비정상적인 사용자일수 있습니다)";
inline constexpr const char* kPaymentNotSent =
    "결재 요청을보내지 못했습니다.(상대방이 비정상적인 사용자일수 있습니다)";
inline constexpr const char* kPaymentRefused =
    "잘못된 결제 요청을 입니다.(상대방이 비정상적인 사용자일수 있습니다)";
inline constexpr const char* kPaymentNoAnswer = "결제 요청후 캐쉬 서버에서 응답이 없습니다.";
// What the visitor's client shows about the rule.
inline constexpr const char* kPriceRule =
    "10MB미만의 파일이나 전송량이1MB미만인경우 포인트가 지불되지 않습니다.";
}  // namespace points_text

// "\"%s\"(으)로 부터 %d포인트를 받았습니다." with the payer and the credited amount.
std::string CreditLine(const std::string& visitorId, uint32_t credited);

}  // namespace velorin
