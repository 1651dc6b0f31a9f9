#pragma once
// Dispatch of a visitor's request packets to the browse and transfer handlers.
#include <optional>

#include "net/packet.h"

namespace velorin {

class CBrowseRequests;
class CTransferRequests;
class IVisitorSession;

// 0 to keep the session, a negative value to end it; nothing for a type these
// handlers do not take (sign-on, bye and status belong to the session itself,
// any other type is ignored).
std::optional<int> DispatchPeerRequest(CBrowseRequests& browse, CTransferRequests& transfer,
                                       IVisitorSession& session, const Packet& packet);

}  // namespace velorin
