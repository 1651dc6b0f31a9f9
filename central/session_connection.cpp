#include "central/session_connection.h"

#include "central/central_server.h"

namespace velorin::central {

std::shared_ptr<CSessionConnection> CSessionConnection::Self() {
    return std::static_pointer_cast<CSessionConnection>(shared_from_this());
}

bool CSessionConnection::OnPacket(const Packet& packet) {
    if (state_ == State::kNew) {
        return packet.type == kSessionSignIn ? OnSignIn(packet.payload) : true;
    }
    if (state_ != State::kOnline) return true;
    switch (packet.type) {
        case kSessionSignOff:
            LeaveDirectory();
            Close();
            return true;
        case kServerListRequest:
            return OnListRequest(packet.payload);
        case kPowerModeChanged:
            return OnPowerMode(packet.payload);
        case kNoteToMember:
            return OnNote(packet.payload);
        default:
            return true;  // keep-alive, a repeated sign-in, unknown types
    }
}

bool CSessionConnection::OnSignIn(const std::string& payload) {
    SignInRequest request;
    if (!DecodeSignInRequest(payload, request)) return false;
    state_ = State::kVerifying;
    if (request.version < server_.Config().minVersion) {
        Refuse(kSignInBadVersion);
        return true;
    }
    server_.VerifyMember(
        shared_from_this(), request.userId, request.password,
        [self = Self(), request](Verdict verdict, const MemberRecord& member) {
            if (verdict != Verdict::kAccepted) {
                self->Refuse(verdict == Verdict::kDisabled ? kSignInDisabled
                                                           : kSignInBadCredentials);
                return;
            }
            // Balance and notes are read after the slow password check, so they are current.
            self->server_.OnStore(
                [id = member.id](CMemberStore& store) {
                    return Welcome{store.FindMember(id), store.PendingNotes(id)};
                },
                [self, request](Welcome welcome) { self->OnWelcome(request, std::move(welcome)); });
        });
    return true;
}

void CSessionConnection::Refuse(int32_t code) {
    Send(kSessionSignInResult, EncodeSignInResult(code));
    CloseAfterFlush();
}

void CSessionConnection::OnWelcome(const SignInRequest& request, Welcome welcome) {
    if (!IsOpen()) return;
    if (!welcome.member) {
        Refuse(kSignInBadCredentials);
        return;
    }
    const MemberRecord& member = *welcome.member;
    CSessionDirectory& sessions = server_.Sessions();
    if (CSessionConnection* earlier = sessions.Find(member.id)) earlier->Replace();

    ServerRecord record;
    record.channel = request.reachable == 1 ? 0 : 1;
    record.category = request.category;
    record.userId = member.id;
    record.description = request.description;
    record.openTime = static_cast<uint32_t>(server_.Clock().WallSeconds());
    record.address = PeerAddress();
    record.tcpPort = request.tcpPort;
    record.udpPort = request.udpPort;
    record.iconFlag = request.quickSend;
    record.sharingFlag = request.reachable;
    record.ping = request.reachable == 1 ? request.roundTrip : -1;

    memberId_ = member.id;
    serial_ = sessions.Add(this, memberId_, EncodeServerRecord(record));
    state_ = State::kOnline;
    MarkAccepted();

    Send(kSessionSignInResult, EncodeSignInResult(kSignInAccepted));
    Send(kMemberInformation,
         EncodeMemberInformation({member.id, member.points, member.age, member.visitorValue,
                                  member.warnings, member.restrictionTime, 0}));
    Send(kPointBalance, EncodePointBalance(member.points));
    std::vector<int64_t> delivered;
    for (const StoredNote& note : welcome.notes) {
        Send(kNoteFromMember, EncodeNote({note.sender, note.text}));
        delivered.push_back(note.serial);
    }
    if (!delivered.empty()) {
        server_.OnStore(
            [delivered = std::move(delivered)](CMemberStore& store) {
                store.DeleteNotes(delivered);
                return 0;
            },
            [](int) {});
    }
}

bool CSessionConnection::OnListRequest(const std::string& payload) {
    uint32_t cursor = 0;
    if (!DecodeServerListRequest(payload, cursor)) return false;
    std::vector<ServerRecordBytes> records;
    uint32_t pageCursor = server_.Sessions().Page(cursor, records);
    Send(kServerListPage, EncodeServerListPage(pageCursor, records));
    return true;
}

bool CSessionConnection::OnPowerMode(const std::string& payload) {
    uint32_t quickSend = 0;
    if (!DecodePowerModeChanged(payload, quickSend)) return false;
    server_.Sessions().SetIconFlag(serial_, quickSend);
    return true;
}

bool CSessionConnection::OnNote(const std::string& payload) {
    Note note;
    if (!DecodeNote(payload, note)) return false;
    if (!server_.NoteLimit().Take(memberId_, server_.Clock().Now().count())) return true;
    // A recipient that reads slower than notes arrive gets the rest at its
    // next sign-in, like an offline one, instead of losing its link.
    CSessionConnection* recipient = server_.Sessions().Find(note.memberId);
    if (recipient && recipient->DeliverNote(memberId_, note.text)) return true;
    return AskStore(
        [note = std::move(note), sender = memberId_, now = server_.Clock().WallSeconds()](
            CMemberStore& store) { return store.StoreNote(note.memberId, sender, note.text, now); },
        [](bool) {});
}

bool CSessionConnection::DeliverNote(const std::string& sender, const std::string& text) {
    return SendIfRoom(kNoteFromMember, EncodeNote({sender, text}));
}

void CSessionConnection::Replace() {
    LeaveDirectory();
    Send(kSignedInElsewhere, EncodeSignedInElsewhere(kElsewhereLeave));
    CloseAfterFlush();
}

void CSessionConnection::LeaveDirectory() {
    if (state_ == State::kOnline) server_.Sessions().Remove(serial_, memberId_);
    state_ = State::kGone;
}

void CSessionConnection::OnClosed() {
    LeaveDirectory();
}

}  // namespace velorin::central
