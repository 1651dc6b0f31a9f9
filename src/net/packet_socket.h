#pragma once
// A blocking framed socket for connections that work request by request on
// their own thread. The received Packet stays readable until the next receive.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "net/packet_receiver.h"
#include "net/tcp_socket.h"

namespace velorin {

class CPacketSocket : public CTcpSocket {
public:
    CPacketSocket();

    // `length` + 4 when all was sent; -1 on failure or a payload above 16380 bytes.
    long SendPacket(uint16_t length, uint16_t type, const void* payload);
    // `length` + 4, the Packet then unscrambled in the incoming buffer; -1 on a
    // short read, a close by the peer, or a length above 16380.
    long ReceivePacket();

    uint16_t IncomingType() const { return incoming_.Type(); }
    std::string_view IncomingPayload() const { return incoming_.Payload(); }

private:
    std::unique_ptr<uint8_t[]> outgoing_;
    CPacketReceiver incoming_;
};

// The same with one lock that sending and receiving each hold, for a connection
// that two threads use. Only the operations that the lock covers are reachable.
class CLockedPacketSocket : private CPacketSocket {
public:
    long SendPacket(uint16_t length, uint16_t type, const void* payload);
    long ReceivePacket();

    using CPacketSocket::Close;
    using CPacketSocket::ConnectTcp;
    using CPacketSocket::ConnectTcpAddr;
    using CPacketSocket::IncomingPayload;
    using CPacketSocket::IncomingType;
    using CPacketSocket::IsOpen;
    using CPacketSocket::LastError;
    using CPacketSocket::SetNonBlocking;
    using CPacketSocket::SetReceiveTimeout;
    using CPacketSocket::SetSendTimeout;
    using CPacketSocket::Shutdown;

private:
    std::mutex lock_;
};

}  // namespace velorin
