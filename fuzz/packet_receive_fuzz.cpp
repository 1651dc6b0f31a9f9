// The receive side of the framing against arbitrary bytes from a peer.
// Input: one byte that seeds how the stream is cut into pieces, then the
// stream. Three receivers must agree with DecodePacket on every Packet and on
// where the stream stops making sense: the piecewise receiver, a link's
// ReceiveStep and a packet socket's ReceivePacket, the last two over a real
// socket pair whose writer closes after the stream.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/packet.h"
#include "net/packet_link.h"
#include "net/packet_receiver.h"
#include "net/packet_socket.h"

using namespace velorin;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

std::vector<Packet> Decode(std::string_view stream, uint16_t limit) {
    std::vector<Packet> packets;
    Packet p;
    while (DecodePacket(stream, limit, p) > 0) {
        stream.remove_prefix(p.payload.size() + kPacketHeaderSize);
        packets.push_back(p);
    }
    return packets;
}

std::vector<Packet> Piecewise(std::string_view stream, uint8_t seed) {
    CPacketReceiver receiver(kMaxLinkPayload);
    std::vector<Packet> packets;
    uint32_t state = seed | 1u;
    while (!stream.empty()) {
        state = state * 1103515245u + 12345u;
        std::span<uint8_t> missing = receiver.Missing();
        size_t take = std::min({missing.size(), stream.size(), size_t{1} + (state >> 16) % 300});
        std::copy_n(stream.data(), take, missing.data());
        stream.remove_prefix(take);
        int state2 = receiver.Advance(take);
        if (state2 < 0) break;
        if (state2 > 0) packets.push_back(Packet{receiver.Type(), std::string(receiver.Payload())});
    }
    return packets;
}

class CCollectingLink : public CPacketLink {
public:
    int OnPacket() override {
        packets.push_back(Packet{IncomingType(), std::string(IncomingPayload())});
        return 0;
    }
    std::vector<Packet> packets;
};

// The stream as far as the socket took it, the writer then closed.
std::string_view Feed(CTcpSocket& reader, std::string_view stream) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) std::abort();
    ssize_t written = send(pair[1], stream.data(), stream.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    close(pair[1]);
    reader.Attach(pair[0]);
    return stream.substr(0, written < 0 ? 0 : static_cast<size_t>(written));
}

bool Same(const std::vector<Packet>& a, const std::vector<Packet>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].type != b[i].type || a[i].payload != b[i].payload) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    Check(Same(Piecewise(stream, data[0]), Decode(stream, kMaxLinkPayload)));

    CCollectingLink link;
    std::string_view fed = Feed(link, stream);
    size_t steps = 0;
    while (link.ReceiveStep() == 0) Check(++steps <= fed.size() + 2);
    Check(Same(link.packets, Decode(fed, kMaxLinkPayload)));

    CPacketSocket socket;
    fed = Feed(socket, stream);
    std::vector<Packet> received;
    while (socket.ReceivePacket() > 0) {
        received.push_back(Packet{socket.IncomingType(), std::string(socket.IncomingPayload())});
    }
    Check(Same(received, Decode(fed, kMaxPacketPayload)));
    return 0;
}
