#include "fileserver/point_balance.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

constexpr uint64_t kMiB = 1048576;

TEST(PointBalance, PriceRuleAtItsEdges) {
    EXPECT_EQ(PriceOf(10485759, 10485759), 0);
    EXPECT_EQ(PriceOf(10485760, 10485760), 80);
    EXPECT_EQ(PriceOf(20 * kMiB, 20 * kMiB), 160);
    EXPECT_EQ(PriceOf(1024 * kMiB, kMiB - 1), 0);
    EXPECT_EQ(PriceOf(1024 * kMiB, kMiB), 8);
    EXPECT_EQ(PriceOf(1024 * kMiB, 3 * kMiB + kMiB / 2), 24);
    // Sizes past 4 GiB price on their full 64 bits.
    EXPECT_EQ(PriceOf(5 * 1024 * kMiB, 5 * 1024 * kMiB), 40960);
}

TEST(PointBalance, CheckRunsOnlyAbove10MiBAndEvenWhenItComesToZero) {
    EXPECT_FALSE(CheckPriceOf(10485760, 0));
    EXPECT_EQ(CheckPriceOf(10485761, 0), 80u);
    EXPECT_EQ(CheckPriceOf(10485761, 10485761 - kMiB + 1), 0u);
    EXPECT_EQ(CheckPriceOf(10485761, 20000000), 0u);
}

TEST(PointBalance, BalanceIsReplacedAndChargedBelowZero) {
    CPointBalance balance;
    balance.SetBalance(100);
    EXPECT_EQ(balance.QuotePrice(20 * kMiB, 20 * kMiB), 160);
    EXPECT_EQ(balance.Balance(), 100);
    EXPECT_EQ(balance.ChargePrice(20 * kMiB, 20 * kMiB), 160);
    EXPECT_EQ(balance.Balance(), -60);
    balance.SetBalance(5);
    EXPECT_EQ(balance.Balance(), 5);
}

}  // namespace
}  // namespace velorin
