#pragma once
// A long-lived framed link with its own worker: outgoing Packets wait in a
// ring buffer that the worker sends as the socket accepts them, so queueing
// never blocks; incoming Packets are completed one per worker turn.
//
// Threads: QueuePacket from any thread; FlushQueue and ReceiveStep on the
// worker only; Start and Stop on the user-interface thread. An owner that
// derives from this class stops the link in its own destructor, before its
// members go.
#include <any>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "net/packet_receiver.h"
#include "net/send_ring.h"
#include "net/tcp_socket.h"
#include "net/worker_thread.h"
#include "platform/message_queue.h"

namespace velorin {

class CPacketLink : public CTcpSocket {
public:
    CPacketLink();
    virtual ~CPacketLink();

    // The complete Packet is in IncomingType() / IncomingPayload(); a negative
    // result ends the connection.
    virtual int OnPacket();
    // Once per worker turn.
    virtual void OnIdle();
    // Closes the socket; posts WM_LINK_LOST (the error, the link id) when the
    // drop was not asked for, i.e. the running flag is still set.
    virtual void OnClose(int reason);
    virtual void OnConnect(bool ok, const std::string& userId, const std::string& password);

    // Frees any previous queue; -1 when `capacity` bytes cannot be had.
    int PrepareQueue(size_t capacity);
    void ReleaseQueue();
    // 0, or -1 with nothing queued when the whole Packet does not fit.
    int QueuePacket(uint16_t length, uint16_t type, const void* payload);
    // Sends what the socket takes now; -1 on a send error.
    int FlushQueue();
    // Waits up to 10 ms, completes at most one Packet and hands it to OnPacket.
    // -1 when the peer closed, on a receive error, a length above 16382 (the
    // error is then EPROTO), or a negative OnPacket.
    int ReceiveStep();

    uint16_t IncomingType() const { return incoming_.Type(); }
    std::string_view IncomingPayload() const { return incoming_.Payload(); }

    // Where the link reports (also the window whose messages Stop dispatches
    // while it waits) and the lParam of its WM_LINK_LOST.
    void SetWindow(CMessageQueue* queue, WindowHandle window, intptr_t linkId);
    // Where the default worker connects, and its connect time-out.
    void SetEndpoint(std::string host, uint16_t port, int connectTimeoutSeconds);

    // Stops any previous worker, keeps the credentials and starts the worker;
    // -1 when no thread can be made.
    int Start(const std::string& userId, const std::string& password);
    // Clears the running flag, shuts the socket down, waits for the worker
    // (dispatching messages of the window) and then releases the descriptor.
    void Stop();
    bool IsRunning() const { return worker_.Running(); }

protected:
    // How the worker's loop ended.
    enum LoopEnd : int { kLoopStopped = 0, kLoopReceiveFailed = -1, kLoopSendFailed = -2 };

    // The worker: connect, OnConnect, the loop, OnClose. A negative result
    // clears the running flag. Links with another connect phase replace it.
    virtual int Work();
    // Turns of: sleep 10 ms, ReceiveStep, FlushQueue, OnIdle, while running.
    LoopEnd RunLoop();
    // Empties the queue and the receive state for a new connection.
    void ResetLink();
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam, std::any payload = {});
    void SetRunning(bool on) { worker_.SetRunning(on); }

    std::string userId_;
    std::string password_;

private:
    std::mutex linkLock_;  // guards the send queue and the staging buffer
    CSendRing queue_;
    std::unique_ptr<uint8_t[]> staging_;

    CPacketReceiver incoming_;
    CWorkerThread worker_;
    CMessageQueue* messages_ = nullptr;
    WindowHandle window_ = 0;
    intptr_t linkId_ = 0;
    std::string host_;
    uint16_t port_ = 0;
    int connectTimeout_ = 0;
};

}  // namespace velorin
