#include "service/session_client.h"

#include <ctime>

#include "data/note_store.h"
#include "fileserver/point_balance.h"
#include "platform/cipher.h"
#include "platform/window_messages.h"
#include "service/server_list.h"

namespace velorin {
namespace {

constexpr int kSessionConnectTimeout = 12;

}  // namespace

CSessionClient::CSessionClient(const IClock& clock, CServerList& list, CPointBalance& balance,
                               MemberStanding& member, CNoteStore& notes)
    : clock_(clock), list_(list), balance_(balance), member_(member), notes_(notes) {}

CSessionClient::~CSessionClient() {
    Stop();
}

int CSessionClient::Prepare(CMessageQueue* queue, WindowHandle window, std::string address,
                            uint16_t port) {
    SetWindow(queue, window, kSessionLink);
    SetEndpoint(std::move(address), port, kSessionConnectTimeout);
    return PrepareQueue(kServiceLinkQueue);
}

int CSessionClient::SendSignIn(const SignInAnnouncement& announcement) {
    SignInRequest request;
    request.version = announcement.version;
    request.userId = userId_;
    request.password = MakePasswordField(password_);
    request.encipheredPassword = request.password;
    EncipherPassword(request.encipheredPassword);
    request.tcpPort = announcement.tcpPort;
    request.udpPort = announcement.udpPort;
    request.category = announcement.category;
    request.description = announcement.description;
    request.quickSend = announcement.quickSend;
    request.reachable = announcement.reachability.reachable ? 1 : 0;
    request.roundTrip = request.reachable ? announcement.reachability.roundTrip : -1;
    listDownloading_ = false;
    std::string payload = EncodeSignInRequest(request);
    return QueuePacket(static_cast<uint16_t>(payload.size()), kSessionSignIn, payload.data());
}

int CSessionClient::SendSignOff() {
    return QueuePacket(0, kSessionSignOff, nullptr);
}

int CSessionClient::SendPowerMode(uint32_t quickSend) {
    std::string payload = EncodePowerModeChanged(quickSend);
    return QueuePacket(static_cast<uint16_t>(payload.size()), kPowerModeChanged, payload.data());
}

int CSessionClient::SendNote(const std::string& recipientId, const std::string& text) {
    std::string payload = EncodeNote(Note{recipientId, text});
    return QueuePacket(static_cast<uint16_t>(payload.size()), kNoteToMember, payload.data());
}

CSessionClient::ListRequest CSessionClient::RequestServerList(uint32_t cursor) {
    if (!IsRunning()) return ListRequest::kNotRunning;
    ListRequest started = ListRequest::kQueued;
    if (cursor == 0) {
        bool idle = false;
        if (!listDownloading_.compare_exchange_strong(idle, true)) {
            return ListRequest::kAlreadyRunning;
        }
        list_.ClearAll();
        started = ListRequest::kStarted;
    }
    std::string payload = EncodeServerListRequest(cursor);
    if (QueuePacket(static_cast<uint16_t>(payload.size()), kServerListRequest, payload.data()) <
        0) {
        if (cursor == 0) listDownloading_ = false;
        return ListRequest::kNotSent;
    }
    return started;
}

void CSessionClient::OnConnect(bool ok, const std::string& userId, const std::string& password) {
    userId_ = userId;
    password_ = password;
    lastKeepAlive_ = clock_.Now().count();
    // A connect that Stop cut short is not news for the window.
    if (IsRunning()) Post(WM_SESSION_STEP, ok ? 1 : 0, 0);
}

void CSessionClient::OnIdle() {
    int64_t now = clock_.Now().count();
    if (now - lastKeepAlive_ < std::chrono::milliseconds(kKeepAliveAfter).count()) return;
    lastKeepAlive_ = now;
    QueuePacket(0, kKeepAlive, nullptr);
}

int CSessionClient::OnPacket() {
    switch (IncomingType()) {
        case kSessionSignInResult:
            return OnSignInResult();
        case kServerListPage:
            OnListPage();
            return 0;
        case kMemberInformation:
            OnMemberInformation();
            return 0;
        case kPointBalance: {
            int64_t balance = 0;
            if (DecodePointBalance(IncomingPayload(), balance)) balance_.SetBalance(balance);
            return 0;
        }
        case kNoteFromMember:
            OnNote();
            return 0;
        case kSignedInElsewhere: {
            uint32_t value = 0;
            if (DecodeSignedInElsewhere(IncomingPayload(), value)) {
                Post(WM_DUPLICATE_LOGIN, value, 0);
            }
            return 0;
        }
        default:
            return 0;
    }
}

int CSessionClient::OnSignInResult() {
    int32_t code = 0;
    // A verdict that cannot be read ends the link rather than leaving the
    // sign-in waiting for ever; the drop is reported as a lost link.
    if (!DecodeSignInResult(IncomingPayload(), code)) return -1;
    if (code >= 0) {
        Post(WM_SESSION_STEP, 3, code);
        return 0;
    }
    Post(WM_SESSION_STEP, 2, code);
    return -1;
}

void CSessionClient::OnListPage() {
    uint32_t cursor = 0;
    std::vector<ServerRecord> records;
    // A page that does not decode ends the download, so a refresh can follow.
    if (!DecodeServerListPage(IncomingPayload(), cursor, records)) {
        EndListDownload();
        return;
    }
    for (const ServerRecord& record : records) list_.AddRecord(record);
    // A full page with cursor 0 would start the list over, page after page.
    if (records.size() == kServerListPageRecords && cursor != 0 &&
        RequestServerList(cursor) == ListRequest::kQueued) {
        return;
    }
    EndListDownload();
}

void CSessionClient::EndListDownload() {
    listDownloading_ = false;
    Post(WM_SERVER_LIST_DONE, 0, 0);
}

void CSessionClient::OnMemberInformation() {
    MemberInformation info;
    if (!DecodeMemberInformation(IncomingPayload(), info)) return;
    balance_.SetBalance(info.balance);
    member_.age = info.age;
    member_.visitorValue = info.visitorValue;
    member_.warnings = info.warnings;
    member_.restrictionTime = info.restrictionTime;
    member_.unused = info.unused;
    Post(WM_MEMBER_INFO, 0, 0);
}

void CSessionClient::OnNote() {
    Note note;
    if (!DecodeNote(IncomingPayload(), note)) return;
    CNoteStore::Arrival arrival = notes_.StoreIncomingNote(
        note.memberId, note.text, static_cast<int64_t>(std::time(nullptr)));
    if (arrival == CNoteStore::Arrival::kIgnored) return;
    // The sender travels with the message: the window announces it.
    Post(WM_NOTE_ARRIVED, 0, 0, note.memberId);
}

}  // namespace velorin
