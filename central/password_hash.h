#pragma once
// Salted PBKDF2-HMAC-SHA256 of a member's password (its CP949 wire bytes).
//
// Cost: 10 000 iterations, about 2 ms on one core of the 2-core reference
// machine. Two hashing threads then verify some 950 passwords per second,
// twice the 500 sign-ins per second the service must take, and a sign-in at
// that rate leaves the other half of the machine to the event loop. Each row
// keeps its own iteration count, so the cost can rise without invalidating
// stored hashes.
#include <cstdint>
#include <string>
#include <string_view>

namespace velorin::central {

inline constexpr uint32_t kPasswordIterations = 10000;
inline constexpr size_t kSaltSize = 16;
inline constexpr size_t kHashSize = 32;

struct PasswordHash {
    std::string salt;
    std::string hash;
    uint32_t iterations = kPasswordIterations;
};

// A fresh random salt; false only when the system's random source fails.
bool HashNewPassword(std::string_view password, PasswordHash& out);
// Constant-time comparison of the derived key.
bool VerifyPassword(std::string_view password, const PasswordHash& stored);
// Spends the same work as a verification, so an unknown ID answers no faster
// than a wrong password.
void SpendVerificationTime(std::string_view password);

}  // namespace velorin::central
