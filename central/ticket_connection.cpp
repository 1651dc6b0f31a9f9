#include "central/ticket_connection.h"

#include "central/central_server.h"

namespace velorin::central {

std::shared_ptr<CTicketConnection> CTicketConnection::Self() {
    return std::static_pointer_cast<CTicketConnection>(shared_from_this());
}

bool CTicketConnection::OnPacket(const Packet& packet) {
    if (asked_) return true;
    TicketRequest request;
    if (packet.type != kTicketRequest || !DecodeTicketRequest(packet.payload, request)) {
        return false;
    }
    asked_ = true;
    server_.VerifyMember(shared_from_this(), request.buyerId, request.buyerPassword,
                         [self = Self(), request](Verdict verdict, const MemberRecord& buyer) {
                             if (verdict != Verdict::kAccepted) {
                                 self->Answer({kTicketBadCredentials, 0, 0, 0});
                                 return;
                             }
                             self->server_.OnStore(
                                 [buyer = buyer.id, request,
                                  now = self->server_.Clock().WallSeconds()](CMemberStore& store) {
                                     return store.BuyTicket(buyer, request.sellerId, request.points,
                                                            now);
                                 },
                                 [self](TicketAnswer answer) { self->Answer(answer); });
                         });
    return true;
}

void CTicketConnection::Answer(const TicketAnswer& answer) {
    Send(kTicketAnswer, EncodeTicketAnswer(answer));
    CloseAfterFlush();
}

}  // namespace velorin::central
