#pragma once
// The ticket port (TCP 7296): one request, one answer, then the server closes.
//   1001 ticket request, 56 bytes: buyer ID (20), buyer password (12),
//        seller ID (20), u32 points
//   1002 ticket answer, 13 bytes: i8 code, u32 ticket 1, ticket 2, ticket 3
// Tickets 1 and 2 are the key under which the seller later checks and
// collects the payment on the cache link; ticket 3 must match as well.
//
// How velorin-central fills what the layouts leave open:
// - Codes: 0 ticket issued and the points reserved from the buyer at once;
//   -1 the seller is not an enabled member (or the store failed);
//   -2 unknown buyer, wrong password or disabled buyer; -3 the buyer holds
//   as many unsettled tickets as a member may; -4 not enough points.
//   The tickets are zero in every refusal.
// - Tickets are random, never all three zero, and the key (1, 2) is unique
//   among unsettled tickets. An unsettled ticket expires and its reservation
//   returns to the buyer: 10 minutes after its purchase when no seller has
//   checked it, else after 48 hours.
#include <cstdint>
#include <string>
#include <string_view>

#include "service/wire_fields.h"

namespace velorin {

inline constexpr uint16_t kTicketPort = 7296;

inline constexpr uint16_t kTicketRequest = 1001;
inline constexpr uint16_t kTicketAnswer = 1002;

inline constexpr size_t kTicketRequestSize = 56;
inline constexpr size_t kTicketAnswerSize = 13;

inline constexpr int8_t kTicketIssued = 0;
inline constexpr int8_t kTicketServiceFailure = -1;
inline constexpr int8_t kTicketBadCredentials = -2;
inline constexpr int8_t kTicketTooManyOpen = -3;
inline constexpr int8_t kTicketShortOfPoints = -4;

struct TicketRequest {
    std::string buyerId;
    PasswordField buyerPassword{};
    std::string sellerId;
    uint32_t points = 0;
};

struct TicketAnswer {
    int8_t code = 0;
    uint32_t ticket1 = 0;
    uint32_t ticket2 = 0;
    uint32_t ticket3 = 0;
};

std::string EncodeTicketRequest(const TicketRequest& request);
bool DecodeTicketRequest(std::string_view payload, TicketRequest& request);

std::string EncodeTicketAnswer(const TicketAnswer& answer);
bool DecodeTicketAnswer(std::string_view payload, TicketAnswer& answer);

}  // namespace velorin
