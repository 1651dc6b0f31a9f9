#pragma once
// One member's link to the cache server (TCP 2303): sign-in, point checks,
// payments and balances. Answers leave in the order of the requests.
// Before the sign-in is accepted only a sign-in request is looked at. A
// malformed message of a known type ends the link; unknown types are ignored.
#include <memory>
#include <string>

#include "central/packet_connection.h"

namespace velorin::central {

class CCacheConnection : public CPacketConnection {
public:
    using CPacketConnection::CPacketConnection;

protected:
    bool OnPacket(const Packet& packet) override;

private:
    bool OnSignIn(const std::string& payload);
    bool OnPointCheck(const std::string& payload);
    bool OnPayment(const std::string& payload);
    bool OnBalanceRequest();
    std::shared_ptr<CCacheConnection> Self();

    enum class State { kNew, kVerifying, kSignedIn };
    State state_ = State::kNew;
    std::string memberId_;
};

}  // namespace velorin::central
