#pragma once
// One visitor connection of the member's file server: a slot of the session
// pool with a thread of its own that receives one request at a time and
// answers it. The session itself handles sign-on, bye and the server status;
// every other request goes to the browse and transfer handlers.
//
// A browse or transfer request before the sign-on ends the session: it would
// count against no limit. So does a download or upload request on a session
// of another kind. A second sign-on ends it too (it would count twice).
// A visitor may stay silent for the idle time-out (5 minutes) while the
// session waits for its sign-on or its next request, and an upload's data
// phase may go that long without a byte; a download or upload send that makes
// no progress for a minute ends the session. A transfer that moves data is
// never cut.
//
// Stopping: Halt() shuts the socket down (shutdown, not close: close() does not
// wake a call blocked in another thread, and the number could be reused at
// once) and clears the running flag; it never waits. The accept loop reaps the
// session once its thread has ended, and only then is the socket closed.
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

#include "fileserver/visitor_session.h"
#include "net/packet_receiver.h"
#include "net/tcp_socket.h"

namespace velorin {

class CSessionPool;
struct SessionServices;

class CPeerSession final : public IVisitorSession {
public:
    CPeerSession();
    ~CPeerSession() override;
    CPeerSession(const CPeerSession&) = delete;
    CPeerSession& operator=(const CPeerSession&) = delete;

    // Takes over a connected socket for a free slot of `pool`.
    void Bind(int descriptor, CSessionPool& pool);
    // Starts the session's thread; -1 when there is none to be had.
    int Run();
    // Serves the connection on the calling thread instead, until it ends.
    void RunHere();
    // -1 when the session does not run.
    int Halt();
    bool Ended() const { return ended_; }
    // True once the thread has ended within `timeout`.
    bool WaitEnded(std::chrono::milliseconds timeout);
    // After the end: joins the thread, closes the socket, forgets the visitor.
    void Clear();

    int8_t Kind() const { return kind_; }

    std::string VisitorId() const override;
    bool SignedOn() const override { return signedOn_; }
    bool Running() const override { return running_; }
    bool Send(const Packet& packet) override;
    bool SendRaw(std::string_view bytes) override;
    long ReceiveRaw(char* buffer, size_t size) override;
    int CheckPoints(uint32_t price, const DownloadTickets& tickets) override;
    int CollectPayment(uint32_t price, const DownloadTickets& tickets,
                       PaymentReceipt& receipt) override;

private:
    static void* ThreadEntry(void* self);
    void Serve();
    bool ReceivePacket(Packet& packet);
    int Dispatch(const Packet& packet);
    int SignOn(std::string_view payload);
    int Refuse(int8_t code);
    bool SendStatus();
    std::string Greeting(int8_t kind) const;
    void StatusLine(const char* text) const;
    SessionServices& Services() const;

    CTcpSocket socket_;
    CPacketReceiver receiver_;
    std::unique_ptr<uint8_t[]> sendBuffer_;
    CSessionPool* pool_ = nullptr;
    std::stop_token stop_;

    // Guards the running flag against a concurrent Halt, and the visitor ID.
    mutable std::mutex lock_;
    std::condition_variable endedSignal_;
    std::atomic<bool> running_{false};
    std::atomic<bool> ended_{true};
    std::atomic<bool> signedOn_{false};
    std::atomic<int8_t> kind_{0};
    std::string visitorId_;
    pthread_t thread_{};
    bool hasThread_ = false;
};

}  // namespace velorin
