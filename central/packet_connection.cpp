#include "central/packet_connection.h"

#include <asio/read.hpp>
#include <asio/write.hpp>

#include "central/peer_address.h"

namespace velorin::central {
namespace {

// A peer that reads nothing while answers pile up is dropped, not buffered for.
constexpr size_t kOutboxLimit = 1 << 20;
// Buffers grown beyond this by one large message are released afterwards.
constexpr size_t kKeptCapacity = 256;
// After the last answer of a link, how long the peer may take to close its end.
constexpr int64_t kLingerMs = 5000;

}  // namespace

CPacketConnection::CPacketConnection(CCentralServer& server, asio::ip::tcp::socket socket)
    : server_(server), socket_(std::move(socket)) {
    asio::error_code ec;
    socket_.set_option(asio::ip::tcp::no_delay(true), ec);
    limitKey_ = ConnectionLimitKey(socket_);
    asio::ip::tcp::endpoint peer = socket_.remote_endpoint(ec);
    if (!ec) {
        peerAddress_ = WireIpv4(peer.address());
        peerHost_ = peer.address().to_string();
    }
}

void CPacketConnection::Start() {
    deadline_ = server_.Clock().Now().count() + server_.Config().keepAlive.count();
    server_.Track(shared_from_this());
    ReadHeader();
}

void CPacketConnection::MarkAccepted() {
    accepted_ = true;
    deadline_ = server_.Clock().Now().count() + server_.Config().keepAlive.count();
}

void CPacketConnection::ReadHeader() {
    asio::async_read(socket_, asio::buffer(header_),
                     [self = shared_from_this()](const asio::error_code& ec, size_t) {
                         if (ec || self->closed_) {
                             self->Close();
                             return;
                         }
                         size_t length = self->header_[0] | (self->header_[1] << 8);
                         if (length > kMaxPacketPayload) {
                             self->Close();
                             return;
                         }
                         self->ReadPayload(length);
                     });
}

void CPacketConnection::ReadPayload(size_t length) {
    in_.assign(reinterpret_cast<const char*>(header_), kPacketHeaderSize);
    in_.resize(kPacketHeaderSize + length);
    asio::async_read(socket_, asio::buffer(in_.data() + kPacketHeaderSize, length),
                     [self = shared_from_this()](const asio::error_code& ec, size_t) {
                         if (ec || self->closed_) {
                             self->Close();
                             return;
                         }
                         Packet packet;
                         bool whole = DecodePacket(self->in_, kMaxPacketPayload, packet) > 0;
                         if (self->in_.capacity() > kKeptCapacity) std::string().swap(self->in_);
                         if (!whole) {
                             self->Close();
                             return;
                         }
                         if (!self->closing_) {
                             if (self->accepted_) {
                                 self->deadline_ = self->server_.Clock().Now().count() +
                                                   self->server_.Config().keepAlive.count();
                             }
                             if (!self->OnPacket(packet)) {
                                 self->Close();
                                 return;
                             }
                         }
                         if (!self->closed_) self->ReadHeader();
                     });
}

void CPacketConnection::Send(uint16_t type, std::string_view payload) {
    if (closed_ || closing_) return;
    outbox_ += EncodePacket(type, payload);
    if (outbox_.size() > kOutboxLimit) {
        Close();
        return;
    }
    Flush();
}

bool CPacketConnection::SendIfRoom(uint16_t type, std::string_view payload) {
    if (closed_ || closing_) return false;
    // What is being written counts too: a peer that reads nothing holds it as long.
    if (outbox_.size() + sending_.size() + kPacketHeaderSize + payload.size() > kOutboxLimit / 2) {
        return false;
    }
    Send(type, payload);
    return true;
}

void CPacketConnection::Flush() {
    if (writing_ || closed_) return;
    if (outbox_.empty()) {
        if (closing_) Linger();
        return;
    }
    sending_.swap(outbox_);
    writing_ = true;
    asio::async_write(socket_, asio::buffer(sending_),
                      [self = shared_from_this()](const asio::error_code& ec, size_t) {
                          self->writing_ = false;
                          std::string().swap(self->sending_);
                          if (ec) {
                              self->Close();
                              return;
                          }
                          self->Flush();
                      });
}

void CPacketConnection::CloseAfterFlush() {
    if (closed_ || closing_) return;
    closing_ = true;
    Flush();
}

void CPacketConnection::Linger() {
    // Half-close and keep reading until the peer closes: closing with unread
    // bytes in the receive queue would reset the link and could destroy the
    // last answer before the peer reads it.
    asio::error_code ec;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_send, ec);
    deadline_ = std::min(deadline_, server_.Clock().Now().count() + kLingerMs);
}

void CPacketConnection::Close() {
    if (closed_) return;
    closed_ = true;
    auto self = shared_from_this();
    asio::error_code ec;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    socket_.close(ec);
    server_.Untrack(this);
    OnClosed();
}

}  // namespace velorin::central
