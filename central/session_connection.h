#pragma once
// One member's link to the session server (TCP 3823): sign-in, the member's
// server record, list pages, notes, power mode, sign-off.
// Before the sign-in is accepted only a sign-in request is looked at. A
// malformed message of a known type ends the link; unknown types, keep-alives
// and a repeated sign-in are ignored.
#include <cstdint>
#include <string>
#include <vector>

#include "central/member_store.h"
#include "central/packet_connection.h"
#include "service/session_messages.h"

namespace velorin::central {

class CSessionConnection : public CPacketConnection {
public:
    using CPacketConnection::CPacketConnection;

    void SetSerial(uint32_t serial) { serial_ = serial; }
    // A newer sign-in with the same ID: 4000 with -1, and this link ends.
    void Replace();
    // False when the link is too backlogged to take it; the note is not sent.
    bool DeliverNote(const std::string& sender, const std::string& text);

protected:
    bool OnPacket(const Packet& packet) override;
    void OnClosed() override;

private:
    struct Welcome {
        std::optional<MemberRecord> member;
        std::vector<StoredNote> notes;
    };

    bool OnSignIn(const std::string& payload);
    void OnWelcome(const SignInRequest& request, Welcome welcome);
    void Refuse(int32_t code);
    bool OnListRequest(const std::string& payload);
    bool OnPowerMode(const std::string& payload);
    bool OnNote(const std::string& payload);
    void LeaveDirectory();
    std::shared_ptr<CSessionConnection> Self();

    enum class State { kNew, kVerifying, kOnline, kGone };
    State state_ = State::kNew;
    std::string memberId_;
    uint32_t serial_ = 0;
};

}  // namespace velorin::central
