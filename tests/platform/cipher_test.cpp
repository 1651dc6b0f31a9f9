#include "platform/cipher.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velorin {
namespace {

TEST(Cipher, MatchesTheProviderOnTheKnownAnswer) {
    std::array<uint8_t, 12> field{};
    std::memcpy(field.data(), "secret", 6);
    EncipherPassword(field);
    const std::array<uint8_t, 12> expected = {0x2e, 0x7a, 0x55, 0x54, 0x75, 0xec,
                                              0xa9, 0x6a, 0x55, 0x25, 0x5c, 0x7c};
    EXPECT_EQ(field, expected);
    DecipherPassword(field);
    EXPECT_EQ(std::memcmp(field.data(), "secret\0\0\0\0\0\0", 12), 0);
}

TEST(Cipher, SizesAndRefusals) {
    CCipher cipher;
    uint8_t buffer[12] = {};
    EXPECT_EQ(cipher.CipherEncrypt(buffer, 12, 12), 0u);  // not open
    EXPECT_FALSE(cipher.CipherOpen(nullptr, 1));          // no block cipher here
    ASSERT_TRUE(cipher.CipherOpen());
    EXPECT_TRUE(cipher.CipherOpen());  // already open
    EXPECT_EQ(cipher.CipherEncrypt(nullptr, 12, 0), 12u);
    EXPECT_EQ(cipher.CipherEncrypt(buffer, 12, 11), 0u);
    EXPECT_EQ(cipher.CipherEncrypt(buffer, 12, 12), 12u);
    cipher.CipherClose();
    EXPECT_FALSE(cipher.IsOpen());
}

}  // namespace
}  // namespace velorin
