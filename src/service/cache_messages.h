#pragma once
// Messages of the cache server link (TCP 2303), one encoder and one decoder
// each, for the client and the server alike. Every decoder wants the exact
// size of its layout.
//
// Client to server:                          Server to client:
//   1001 sign-in: ID, password (32 bytes)      1002 sign-in result, i32 (session codec)
//   5    sign-off (empty)                      2003 point check answer (29 bytes)
//   2001 point check (36 bytes)                2007 payment answer (41 bytes)
//   2005 payment (36 bytes, same layout)       2013 point balance, i64 (session codec)
//   2013 balance request (empty)
//   3000 keep-alive (empty)
//
// Point check and payment: 0 member ID (20), 20 key low, 24 key high,
// 28 first value, 32 second value. The serving member fills them with the
// visitor's (buyer's) ID, ticket 1, ticket 2, ticket 3 and the price.
// Check answer: 0 i8 result, 1-20 zero, 21 key low, 25 key high.
// Payment answer: 0 i32 result (byte 0 is the signed result), 4-20 zero,
// 21 key low, 25 key high, 29 u32 credited amount, 33 i64 new balance.
//
// How velorin-central fills what the layouts leave open:
// - Sign-in: 0 accepted, -1 account disabled, -2 unknown ID or wrong password;
//   the password is compared as the plain 12 bytes. A cache sign-in does not
//   need an open session link.
// - Point check: 0 when an unsettled ticket with this key and ticket 3 exists
//   whose buyer is the member ID of the request, whose seller is the signed-in
//   member asking, whose reservation covers the price and which no check
//   has passed before; -1 otherwise. A price of 0 passes without a ticket.
// - Payment: for such a ticket (the reservation need not cover the price),
//   the seller is credited min(price, reservation), the rest returns to the
//   buyer, the ticket is settled: 0, credited amount, the seller's new balance.
//   A price of 0 returns the whole reservation. An unknown or already settled
//   ticket: -1 with the amounts 0. So a second payment on one ticket pays nothing.
// - A refused answer still echoes the request key.
// - Before the sign-in is accepted, requests are ignored.
#include <cstdint>
#include <string>
#include <string_view>

#include "service/wire_fields.h"

namespace velorin {

inline constexpr uint16_t kCacheServerPort = 2303;

inline constexpr uint16_t kCacheSignOff = 5;
inline constexpr uint16_t kCacheSignIn = 1001;
inline constexpr uint16_t kCacheSignInResult = 1002;
inline constexpr uint16_t kPointCheck = 2001;
inline constexpr uint16_t kPointCheckAnswer = 2003;
inline constexpr uint16_t kPayment = 2005;
inline constexpr uint16_t kPaymentAnswer = 2007;
inline constexpr uint16_t kBalanceRequest = 2013;
inline constexpr uint16_t kCacheBalance = 2013;
inline constexpr uint16_t kCacheKeepAlive = 3000;

inline constexpr size_t kCacheSignInSize = 32;
inline constexpr size_t kPointRequestSize = 36;
inline constexpr size_t kPointCheckAnswerSize = 29;
inline constexpr size_t kPaymentAnswerSize = 41;

inline constexpr int8_t kSettlementAccepted = 0;
inline constexpr int8_t kSettlementRefused = -1;

struct CacheSignIn {
    std::string userId;
    PasswordField password{};
};

// The point check (2001) and the payment (2005).
struct PointRequest {
    std::string memberId;  // the buyer
    uint32_t keyLow = 0;   // ticket 1
    uint32_t keyHigh = 0;  // ticket 2
    uint32_t first = 0;    // ticket 3
    uint32_t second = 0;   // the price
};

struct PointCheckAnswer {
    int8_t result = 0;
    uint32_t keyLow = 0;
    uint32_t keyHigh = 0;
};

struct PaymentAnswer {
    int8_t result = 0;
    uint32_t keyLow = 0;
    uint32_t keyHigh = 0;
    uint32_t credited = 0;
    int64_t balance = 0;
};

std::string EncodeCacheSignIn(const CacheSignIn& signIn);
bool DecodeCacheSignIn(std::string_view payload, CacheSignIn& signIn);

std::string EncodePointRequest(const PointRequest& request);
bool DecodePointRequest(std::string_view payload, PointRequest& request);

std::string EncodePointCheckAnswer(const PointCheckAnswer& answer);
bool DecodePointCheckAnswer(std::string_view payload, PointCheckAnswer& answer);

std::string EncodePaymentAnswer(const PaymentAnswer& answer);
// The result is the signed byte 0 of the result word.
bool DecodePaymentAnswer(std::string_view payload, PaymentAnswer& answer);

}  // namespace velorin
