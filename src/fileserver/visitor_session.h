#pragma once
// A visitor's connection as the request handlers see it. The session class of
// the file server implements it over its socket; the handlers never see the
// socket itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fileserver/peer_messages.h"
#include "net/packet.h"

namespace velorin {

// What the cache server answered to a payment.
struct PaymentReceipt {
    uint32_t credited = 0;
    int64_t newBalance = 0;
};

class IVisitorSession {
public:
    virtual ~IVisitorSession() = default;

    // The user ID of the sign-on (UTF-8); empty before it.
    virtual std::string VisitorId() const = 0;
    virtual bool SignedOn() const = 0;
    // False once the session is asked to stop; a data phase then ends.
    virtual bool Running() const = 0;

    // Each returns false when the send failed.
    virtual bool Send(const Packet& packet) = 0;
    // Raw file bytes, outside the envelope; all of them or failure.
    virtual bool SendRaw(std::string_view bytes) = 0;
    // One receive of raw upload bytes: the count, 0 when the visitor closed, -1 on error.
    virtual long ReceiveRaw(char* buffer, size_t size) = 0;

    // The settlement with the cache server: 0 to go on, -1 to refuse (the
    // session writes the event-log lines of the exchange itself).
    virtual int CheckPoints(uint32_t price, const DownloadTickets& tickets) = 0;
    virtual int CollectPayment(uint32_t price, const DownloadTickets& tickets,
                               PaymentReceipt& receipt) = 0;
};

}  // namespace velorin
