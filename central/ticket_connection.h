#pragma once
// A short link to the ticket port (TCP 7296): one ticket request, one answer,
// then the server closes. Anything but a well-formed request ends the link
// without an answer.
#include <memory>
#include <string>

#include "central/packet_connection.h"
#include "service/ticket_messages.h"

namespace velorin::central {

class CTicketConnection : public CPacketConnection {
public:
    using CPacketConnection::CPacketConnection;

protected:
    bool OnPacket(const Packet& packet) override;

private:
    void Answer(const TicketAnswer& answer);
    std::shared_ptr<CTicketConnection> Self();

    bool asked_ = false;
};

}  // namespace velorin::central
