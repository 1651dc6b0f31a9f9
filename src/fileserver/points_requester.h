#pragma once
// The serving side's settlement with the cache server, as the file server's
// sessions need it. The cache link implements it over its pending-reply maps:
//   1. under the map's lock, insert the request key (ticket 1 low word,
//      ticket 2 high word) with the waiter; a key already present is
//      kAlreadyWaiting and nothing is sent;
//   2. queue the request (point check 2001 / payment 2005: member ID = the
//      buyer, the key, first value = ticket 3, second value = the price); a
//      request that cannot be queued (link down, not signed in) is kNotSent;
//   3. wait up to `timeout` for the answer (2003 / 2007, matched by its key):
//      kAnswered with its fields; kNoAnswer when the time-out passes;
//      kCancelled as soon as `stop` is requested (the file server is stopping);
//   4. under the map's lock, remove the key. A late answer finds no key and is
//      dropped.
// A negative check answer also gets the kind-4 line
// points_text::kCheckUnauthorised from the link when it arrives, waiter or
// not; every other event-log line of the exchange is the session's.
// Called on session threads, many at once.
#include <chrono>
#include <cstdint>
#include <stop_token>
#include <string>

#include "fileserver/peer_messages.h"

namespace velorin {

inline constexpr std::chrono::milliseconds kPointsReplyTimeout(20000);

enum class PointsExchange {
    kAnswered,
    kAlreadyWaiting,
    kNotSent,
    kNoAnswer,
    kCancelled,
};

struct PointsRequest {
    std::string buyerId;  // the visitor's sign-on ID, UTF-8
    DownloadTickets tickets;
    uint32_t price = 0;
};

struct PointCheckResult {
    PointsExchange exchange = PointsExchange::kNotSent;
    int8_t code = 0;  // the answer's signed result byte; negative refuses
};

struct PaymentResult {
    PointsExchange exchange = PointsExchange::kNotSent;
    int8_t code = 0;  // byte 0 of the answer's result word; negative refuses
    uint32_t credited = 0;
    int64_t newBalance = 0;
};

class IPointsRequester {
public:
    virtual ~IPointsRequester() = default;
    virtual PointCheckResult CheckPoints(const PointsRequest& request,
                                         std::chrono::milliseconds timeout,
                                         std::stop_token stop) = 0;
    virtual PaymentResult CollectPayment(const PointsRequest& request,
                                         std::chrono::milliseconds timeout,
                                         std::stop_token stop) = 0;
};

}  // namespace velorin
