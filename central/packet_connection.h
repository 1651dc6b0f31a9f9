#pragma once
// One TCP link of the central service on the event loop: reads framed
// packets, queues framed answers, and is dropped by the keep-alive rule.
//
// Memory per idle link stays small: no large fixed buffers, the receive
// buffer holds one packet and the send buffers are released after each write.
#include <asio/ip/tcp.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "central/central_server.h"
#include "net/packet.h"

namespace velorin::central {

class CPacketConnection : public std::enable_shared_from_this<CPacketConnection> {
public:
    CPacketConnection(CCentralServer& server, asio::ip::tcp::socket socket);
    virtual ~CPacketConnection() = default;
    CPacketConnection(const CPacketConnection&) = delete;
    CPacketConnection& operator=(const CPacketConnection&) = delete;

    // Registers with the server (for the keep-alive rule) and starts reading.
    void Start();
    void Send(uint16_t type, std::string_view payload);
    // Queues a packet the peer did not ask for only while less than half the
    // outbox limit waits, so answers still fit; false: nothing was queued.
    bool SendIfRoom(uint16_t type, std::string_view payload);
    // Sends what is queued, then ends the link; later packets are not handled.
    void CloseAfterFlush();
    void Close();
    bool IsOpen() const { return !closed_; }
    // Steady-clock milliseconds after which the link is dropped.
    int64_t Deadline() const { return deadline_; }
    // IPv4 address of the peer in network byte order; 0 for other families.
    uint32_t PeerAddress() const { return peerAddress_; }
    // The peer's address in any family, as text; empty when unknown.
    const std::string& PeerHost() const { return peerHost_; }
    // The local port and peer address, the key of the per-address connection limit.
    const std::string& LimitKey() const { return limitKey_; }

protected:
    // False: the packet was malformed and the link ends.
    virtual bool OnPacket(const Packet& packet) = 0;
    virtual void OnClosed() {}
    // From now on every packet counts for the keep-alive rule; before that the
    // link has one keep-alive period from its connection to be accepted.
    void MarkAccepted();

    // CCentralServer::OnStore for a request of the peer. False when the link
    // already waits for as much work as an honest client ever asks for at
    // once: it asks faster than the store answers, and should end.
    template <typename Work, typename Done>
    bool AskStore(Work work, Done done) {
        if (pendingStoreWork_ >= kMaxPendingStoreWork) return false;
        ++pendingStoreWork_;
        server_.OnStore(std::move(work),
                        [self = shared_from_this(), done = std::move(done)](auto result) mutable {
                            --self->pendingStoreWork_;
                            done(std::move(result));
                        });
        return true;
    }

    CCentralServer& server_;

private:
    // A member's file server has at most 200 visitors, each waiting for one answer.
    static constexpr int kMaxPendingStoreWork = 1024;

    void ReadHeader();
    void ReadPayload(size_t length);
    void Flush();
    void Linger();

    asio::ip::tcp::socket socket_;
    uint8_t header_[kPacketHeaderSize] = {};
    std::string in_;
    std::string outbox_;
    std::string sending_;
    int64_t deadline_ = 0;
    uint32_t peerAddress_ = 0;
    std::string peerHost_;
    std::string limitKey_;
    int pendingStoreWork_ = 0;
    bool accepted_ = false;
    bool writing_ = false;
    bool closing_ = false;
    bool closed_ = false;
};

}  // namespace velorin::central
