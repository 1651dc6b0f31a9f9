#include "transfer/browse_session.h"

#include <netinet/in.h>

#include <thread>

#include "data/history.h"
#include "platform/status_lines.h"
#include "platform/text_encoding.h"
#include "platform/window_messages.h"

namespace velorin {

namespace {
constexpr std::chrono::milliseconds kTurnPause(1);
constexpr size_t kShareNameLimit = 259;
constexpr size_t kShareDescLimit = 50;
constexpr size_t kEntryNameLimit = 256;

std::string Quoted(const std::string& id) {
    return "\"" + id + "\"";
}
}  // namespace

CBrowseSession::CBrowseSession(BrowseSessionParts parts) : parts_(std::move(parts)) {
    PrepareQueue(kQueueSize);
}

CBrowseSession::~CBrowseSession() {
    Stop();
}

void CBrowseSession::SetWindows(CMessageQueue* queue, WindowHandle explorer,
                                WindowHandle mainWindow) {
    queue_ = queue;
    explorer_ = explorer;
    SetWindow(queue, mainWindow, 0);
}

void CBrowseSession::SetStartPath(std::string path) {
    std::lock_guard lock(lock_);
    startPath_ = std::move(path);
}

int CBrowseSession::Start(uint32_t address, uint16_t port, const std::string& ownId,
                          const std::string& peerId) {
    // The old worker names its peer in its closing line: stop it before the fields change.
    Stop();
    {
        std::lock_guard lock(lock_);
        address_ = address;
        port_ = port;
        ownId_ = CutToCp949Bytes(ownId, 20);
        peerId_ = CutToCp949Bytes(peerId, 20);
    }
    return CPacketLink::Start(ownId, "");
}

std::string CBrowseSession::PeerId() const {
    std::lock_guard lock(lock_);
    return peerId_;
}

uint32_t CBrowseSession::PeerAddress() const {
    std::lock_guard lock(lock_);
    return address_;
}

uint16_t CBrowseSession::PeerPort() const {
    std::lock_guard lock(lock_);
    return port_;
}

std::string CBrowseSession::Notice() const {
    std::lock_guard lock(lock_);
    return notice_;
}

// --- requests (any thread) ------------------------------------------------------

int CBrowseSession::QueueRequest(const Packet& packet) {
    return QueuePacket(static_cast<uint16_t>(packet.payload.size()), packet.type,
                       packet.payload.data());
}

namespace {
// The wire form of a path, or nothing when the server could not take it.
bool WirePath(std::string_view utf8, std::string& wire) {
    wire = Utf8ToCp949(utf8);
    return wire.size() <= kRemotePathLimit;
}
}  // namespace

int CBrowseSession::RequestList(std::string_view path) {
    Touch();
    if (!SignedOn()) return 0;
    std::string wire;
    if (!WirePath(path, wire)) return -1;
    return QueueRequest(EncodePathRequest(PEER_LIST, wire));
}

int CBrowseSession::RequestStatus() {
    return QueueRequest(EncodeStatusRequest());
}

int CBrowseSession::RequestFolderInfo(std::string_view path) {
    std::string wire;
    if (!WirePath(path, wire) || QueueRequest(EncodePathRequest(PEER_FOLDER_INFO, wire)) < 0) {
        return -1;
    }
    ++infoRequests_;
    return 0;
}

int CBrowseSession::RequestFolderDownload(std::string_view path, std::string_view localName) {
    std::string wire;
    std::string target;
    if (!WirePath(path, wire) || !WirePath(localName, target)) return -1;
    return QueueRequest(EncodeFolderTreeRequest({wire, target}));
}

// --- the worker ---------------------------------------------------------------

void CBrowseSession::Touch() {
    lastActivityMs_ = parts_.clock.Now().count();
}

std::string CBrowseSession::LastLine() const {
    std::lock_guard lock(lock_);
    return lastLine_;
}

void CBrowseSession::Log(const std::string& text, int kind) {
    {
        std::lock_guard lock(lock_);
        lastLine_ = text;
    }
    if (parts_.statusLine) parts_.statusLine(text, kind);
}

void CBrowseSession::PostEvent(BrowseEvent event, std::any payload, intptr_t lParam) {
    if (queue_) queue_->PostMessage(explorer_, WM_BROWSE_EVENT, event, lParam, std::move(payload));
}

int CBrowseSession::Work() {
    Log(Quoted(PeerId()) + browse_text::kConnecting, kStatusInformation);
    PostEvent(kBrowseConnecting);
    ResetLink();
    signedOn_ = 0;
    listingKind_ = 0;
    infoRequests_ = 0;
    infoAnswers_ = 0;
    refused_ = false;

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = PeerAddress();
    address.sin_port = PeerPort();
    int result = -1;
    if (ConnectTcpAddr(address, kConnectSeconds) < 0) {
        OnConnected(false);
    } else {
        SetReceiveTimeout(static_cast<int>(kIdleSeconds));
        SetSendTimeout(static_cast<int>(kIdleSeconds));
        OnConnected(true);
        bool idle = false;
        while (IsRunning()) {
            if (ReceiveStep() < 0 || FlushQueue() < 0) break;
            if (!OnIdleCheck()) {
                idle = true;
                break;
            }
            std::this_thread::sleep_for(kTurnPause);
        }
        if (!IsRunning()) result = 0;
        OnSessionClosed(idle);
    }
    PostEvent(kBrowseThreadEnd);
    Close();
    return result;
}

void CBrowseSession::OnConnected(bool ok) {
    std::string peer = PeerId();
    if (!ok) {
        Log(Quoted(peer) + browse_text::kConnectFailed, kStatusOperation);
        return;
    }
    Touch();
    std::string ownId;
    {
        std::lock_guard lock(lock_);
        notice_.clear();
        ownId = ownId_;
    }
    QueueRequest(EncodeSignOn({ownId, kVisitorBrowse}));
}

bool CBrowseSession::OnIdleCheck() {
    int64_t idleMs = parts_.clock.Now().count() - lastActivityMs_;
    return idleMs <= kIdleSeconds * 1000;
}

void CBrowseSession::OnSessionClosed(bool idle) {
    // A refused sign-on has written its own line (or none, for unknown codes).
    if (!refused_) {
        Log(Quoted(PeerId()) + (idle ? browse_text::kIdle : browse_text::kEnded), kStatusOperation);
    }
    PostEvent(kBrowseClosed);
    signedOn_ = 0;
}

int CBrowseSession::OnPacket() {
    return HandlePacket(IncomingType(), IncomingPayload());
}

int CBrowseSession::HandlePacket(uint16_t type, std::string_view payload) {
    switch (type) {
        case PEER_SIGNON_ANS:
            return OnSignOnAnswer(payload);
        case PEER_LIST_HEAD: {
            Touch();
            ListHead head;
            if (!DecodeListHead(payload, head)) return 0;
            listingKind_ = head.isRoot ? 1 : 0;
            head.path = Cp949ToUtf8(head.path);
            PostEvent(kBrowseListHead, std::move(head));
            return 0;
        }
        case PEER_LIST_SHARE: {
            if (listingKind_ != 1) return 0;
            Touch();
            ListShare share;
            if (!DecodeListShare(payload, share)) return 0;
            share.name = CutToCp949Bytes(share.name, kShareNameLimit);
            share.desc = CutToCp949Bytes(share.desc, kShareDescLimit);
            PostEvent(kBrowseListShare, std::move(share));
            return 0;
        }
        case PEER_LIST_ENTRY: {
            if (listingKind_ == 1) return 0;
            Touch();
            ListEntry entry;
            if (!DecodeListEntry(payload, entry)) return 0;
            entry.name = CutToCp949Bytes(entry.name, kEntryNameLimit);
            PostEvent(kBrowseListEntry, std::move(entry));
            return 0;
        }
        case PEER_STATUS_ANS: {
            ServerStatus status;
            if (DecodeServerStatus(payload, status)) PostEvent(kBrowseStatus, status);
            return 0;
        }
        case PEER_FOLDER_INFO_ANS: {
            FolderInfoAnswer answer;
            if (DecodeFolderInfoAnswer(payload, answer) && answer.code >= 0 && queue_) {
                answer.path = Cp949ToUtf8(answer.path);
                queue_->PostMessage(explorer_, WM_BROWSE_FOLDER_INFO, 0, 0, std::move(answer));
            }
            PostEvent(kBrowseInfoAnswered, {}, static_cast<intptr_t>(++infoAnswers_));
            return 0;
        }
        case PEER_FOLDER_TREE_ENTRY: {
            FolderTreeEntry entry;
            // Both texts fit the 532-byte block of the original: 260 bytes each.
            if (!DecodeFolderTreeEntry(payload, entry) || entry.target.size() > kRemotePathLimit ||
                entry.remotePath.size() > kRemotePathLimit || !queue_) {
                return 0;
            }
            entry.target = Cp949ToUtf8(entry.target);
            entry.remotePath = Cp949ToUtf8(entry.remotePath);
            queue_->PostMessage(explorer_, WM_BROWSE_FOLDER_FILE, 0, 0, std::move(entry));
            return 0;
        }
        default:
            return 0;
    }
}

int CBrowseSession::OnSignOnAnswer(std::string_view payload) {
    Touch();
    SignOnAnswer answer;
    // A notice that cannot be read is no notice; the code alone decides.
    bool complete = DecodeSignOnAnswer(payload, answer);
    if (payload.empty()) return -1;
    if (answer.code < 0) {
        refused_ = true;
        switch (answer.code) {
            case kSignOnBlacklisted:
                Log(browse_text::kRefusedBlack, kStatusInformation);
                break;
            case kSignOnServerFull:
                Log(browse_text::kRefusedFull, kStatusInformation);
                break;
            case kSignOnBadKind:
                Log(browse_text::kRefusedFault, kStatusInformation);
                break;
            default:
                break;
        }
        return -1;
    }
    // A second acceptance would walk and reset the explorer again.
    if (SignedOn()) return 0;
    signedOn_ = 1;
    size_t length = complete ? Cp949Length(answer.greeting) : 0;
    if (length >= 1 && length <= kNoticeLimit) {
        {
            std::lock_guard lock(lock_);
            notice_ = answer.greeting;
        }
        if (queue_) queue_->PostMessage(explorer_, WM_BROWSE_NOTICE, 0, 0);
    }
    if (!WalkStartPath()) return -1;
    std::string peer = PeerId();
    AddToHistory(parts_.registry, peer);
    PostEvent(kBrowseSignedOn, BrowseSignOn{peer, answer.memberValue});
    return 0;
}

bool CBrowseSession::WalkStartPath() {
    std::string path;
    {
        std::lock_guard lock(lock_);
        path = Utf8ToCp949(startPath_);
    }
    if (path.empty() || path[0] != '\\' || path.size() > kStartPathLimit) return false;
    // Everything is queued before the next flush, so it must fit the queue together.
    auto request = [this](std::string_view prefix) {
        return prefix.size() <= kRemotePathLimit &&
               QueueRequest(EncodePathRequest(PEER_LIST, prefix)) == 0;
    };
    if (!request("\\")) return false;
    // CP949 trail bytes never take the value of "\", so a byte scan is safe.
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '\\' && !request(std::string_view(path).substr(0, i))) return false;
    }
    return path.size() == 1 || request(path);
}

}  // namespace velorin
