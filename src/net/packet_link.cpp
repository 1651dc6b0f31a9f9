#include "net/packet_link.h"

#include <sys/socket.h>

#include <cerrno>
#include <thread>

#include "net/packet.h"
#include "platform/window_messages.h"

namespace velorin {

namespace {
constexpr std::chrono::milliseconds kTurnPause(10);
constexpr std::chrono::milliseconds kReceiveWait(10);
}  // namespace

CPacketLink::CPacketLink()
    : staging_(new uint8_t[kPacketHeaderSize + kMaxPacketPayload]), incoming_(kMaxLinkPayload) {}

CPacketLink::~CPacketLink() {
    Stop();
}

int CPacketLink::OnPacket() {
    return 0;
}

void CPacketLink::OnIdle() {}

void CPacketLink::OnClose(int) {
    Close();
    if (IsRunning()) Post(WM_LINK_LOST, static_cast<uintptr_t>(LastError()), linkId_);
}

void CPacketLink::OnConnect(bool, const std::string&, const std::string&) {}

int CPacketLink::PrepareQueue(size_t capacity) {
    std::lock_guard lock(linkLock_);
    return queue_.Allocate(capacity) ? 0 : -1;
}

void CPacketLink::ReleaseQueue() {
    std::lock_guard lock(linkLock_);
    queue_.Release();
}

int CPacketLink::QueuePacket(uint16_t length, uint16_t type, const void* payload) {
    if (length > kMaxPacketPayload) return -1;
    std::lock_guard lock(linkLock_);
    if (kPacketHeaderSize + length > queue_.Capacity() - queue_.Count()) return -1;
    size_t size = WritePacket(staging_.get(), type, payload, length);
    return queue_.Append(staging_.get(), size) ? 0 : -1;
}

int CPacketLink::FlushQueue() {
    std::lock_guard lock(linkLock_);
    if (queue_.Count() == 0) return 0;
    if (!WaitWritable(std::chrono::milliseconds(0))) return 0;
    // At most two runs, the second when the content wraps the end. The worker
    // never blocks here: it sends only what the socket takes at once.
    for (int run = 0; run < 2 && queue_.Count() > 0; ++run) {
        std::span<const uint8_t> bytes = queue_.FirstRun();
        long sent = SendSome(bytes.data(), bytes.size(), MSG_DONTWAIT);
        if (sent < 0) return IsWouldBlock(LastError()) ? 0 : -1;
        queue_.Consume(static_cast<size_t>(sent));
        if (static_cast<size_t>(sent) < bytes.size()) return 0;
    }
    return 0;
}

int CPacketLink::ReceiveStep() {
    for (;;) {
        if (!WaitReadable(kReceiveWait)) return 0;
        bool hadHeader = incoming_.HeaderComplete();
        std::span<uint8_t> missing = incoming_.Missing();
        long n = ReceiveSome(missing.data(), missing.size(), MSG_DONTWAIT);
        if (n < 0) return IsWouldBlock(LastError()) ? 0 : -1;
        if (n == 0) {
            SetLastError(ECONNRESET);
            return -1;
        }
        int state = incoming_.Advance(static_cast<size_t>(n));
        if (state < 0) {
            SetLastError(EPROTO);
            return -1;
        }
        if (state > 0) return OnPacket() < 0 ? -1 : 0;
        // The header is taken whole first; with the length known, the rest gets a
        // wait of its own.
        if (!hadHeader) continue;
        return 0;
    }
}

void CPacketLink::SetWindow(CMessageQueue* queue, WindowHandle window, intptr_t linkId) {
    messages_ = queue;
    window_ = window;
    linkId_ = linkId;
}

void CPacketLink::SetEndpoint(std::string host, uint16_t port, int connectTimeoutSeconds) {
    host_ = std::move(host);
    port_ = port;
    connectTimeout_ = connectTimeoutSeconds;
}

bool CPacketLink::Post(uint32_t message, uintptr_t wParam, intptr_t lParam, std::any payload) {
    return messages_ &&
           messages_->PostMessage(window_, message, wParam, lParam, std::move(payload));
}

int CPacketLink::Start(const std::string& userId, const std::string& password) {
    Stop();
    userId_ = userId;
    password_ = password;
    return worker_.Start([this] { return Work(); });
}

void CPacketLink::Stop() {
    worker_.Stop([this] { Shutdown(); }, messages_, window_);
    Close();
}

void CPacketLink::ResetLink() {
    {
        std::lock_guard lock(linkLock_);
        queue_.Clear();
    }
    incoming_.Reset();
}

CPacketLink::LoopEnd CPacketLink::RunLoop() {
    do {
        std::this_thread::sleep_for(kTurnPause);
        if (ReceiveStep() < 0) return kLoopReceiveFailed;
        if (FlushQueue() < 0) return kLoopSendFailed;
        OnIdle();
    } while (IsRunning());
    return kLoopStopped;
}

int CPacketLink::Work() {
    ResetLink();
    if (ConnectTcp(host_, port_, connectTimeout_) < 0) {
        OnConnect(false, userId_, password_);
        return -1;
    }
    OnConnect(true, userId_, password_);
    LoopEnd end = RunLoop();
    OnClose(end == kLoopSendFailed ? 0 : 1);
    return end == kLoopStopped ? 0 : -1;
}

}  // namespace velorin
