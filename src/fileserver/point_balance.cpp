#include "fileserver/point_balance.h"

#include <limits>

#include "platform/strings.h"

namespace velorin {
namespace {

int64_t UnitsTimesEight(uint64_t bytes) {
    uint64_t units = bytes / kPriceUnit;
    // Only a file of exabytes could overflow; the price then stays at the top.
    if (units > static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / kPointsPerUnit)) {
        return std::numeric_limits<int64_t>::max();
    }
    return static_cast<int64_t>(units) * kPointsPerUnit;
}

}  // namespace

int64_t PriceOf(uint64_t size, uint64_t moved) {
    return size < kPricedFileSize ? 0 : UnitsTimesEight(moved);
}

std::optional<uint32_t> CheckPriceOf(uint64_t size, uint64_t offset) {
    if (size <= kPricedFileSize) return std::nullopt;
    int64_t price = UnitsTimesEight(offset < size ? size - offset : 0);
    return price > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(price);
}

void CPointBalance::SetBalance(int64_t balance) {
    std::lock_guard lock(mutex_);
    balance_ = balance;
}

int64_t CPointBalance::Balance() const {
    std::lock_guard lock(mutex_);
    return balance_;
}

int64_t CPointBalance::ChargePrice(uint64_t size, uint64_t moved) {
    int64_t price = PriceOf(size, moved);
    std::lock_guard lock(mutex_);
    const int64_t lowest = std::numeric_limits<int64_t>::min();
    balance_ = balance_ < lowest + price ? lowest : balance_ - price;
    return price;
}

std::string CreditLine(const std::string& visitorId, uint32_t credited) {
    return Format("\"%s\"(으)로 부터 %u포인트를 받았습니다.", visitorId.c_str(), credited);
}

}  // namespace velorin
