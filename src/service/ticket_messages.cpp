#include "service/ticket_messages.h"

#include "net/payload.h"

namespace velorin {

std::string EncodeTicketRequest(const TicketRequest& request) {
    CPayloadWriter w;
    w.Fixed(request.buyerId, kMemberIdSize);
    PutPassword(w, request.buyerPassword);
    w.Fixed(request.sellerId, kMemberIdSize).U32(request.points);
    return w.Take();
}

bool DecodeTicketRequest(std::string_view payload, TicketRequest& request) {
    if (payload.size() != kTicketRequestSize) return false;
    CPayloadReader r(payload);
    return r.Fixed(kMemberIdSize, request.buyerId) && GetPassword(r, request.buyerPassword) &&
           r.Fixed(kMemberIdSize, request.sellerId) && r.U32(request.points);
}

std::string EncodeTicketAnswer(const TicketAnswer& answer) {
    CPayloadWriter w;
    w.I8(answer.code).U32(answer.ticket1).U32(answer.ticket2).U32(answer.ticket3);
    return w.Take();
}

bool DecodeTicketAnswer(std::string_view payload, TicketAnswer& answer) {
    if (payload.size() != kTicketAnswerSize) return false;
    CPayloadReader r(payload);
    return r.I8(answer.code) && r.U32(answer.ticket1) && r.U32(answer.ticket2) &&
           r.U32(answer.ticket3);
}

}  // namespace velorin
