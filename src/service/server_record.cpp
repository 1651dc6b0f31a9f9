#include "service/server_record.h"

#include <cstring>

#include "net/payload.h"
#include "service/wire_fields.h"

namespace velorin {
namespace {

constexpr size_t kIconFlagOffset = 84;

}  // namespace

ServerRecordBytes EncodeServerRecord(const ServerRecord& record) {
    CPayloadWriter w;
    w.U8(record.channel)
        .I8(record.category)
        .Fixed(record.userId, kMemberIdSize)
        .Fixed(record.description, kServerDescriptionSize)
        .U32(record.openTime);
    PutNetworkOrder(w, record.address);
    PutNetworkOrder(w, record.tcpPort);
    PutNetworkOrder(w, record.udpPort);
    w.U32(record.iconFlag).U32(record.sharingFlag).I32(record.ping);
    ServerRecordBytes bytes{};
    std::memcpy(bytes.data(), w.Data().data(), bytes.size());
    return bytes;
}

bool DecodeServerRecord(std::string_view bytes, ServerRecord& record) {
    if (bytes.size() != kServerRecordSize) return false;
    CPayloadReader r(bytes);
    return r.U8(record.channel) && r.I8(record.category) && r.Fixed(kMemberIdSize, record.userId) &&
           r.Fixed(kServerDescriptionSize, record.description) && r.U32(record.openTime) &&
           GetNetworkOrder(r, record.address) && GetNetworkOrder(r, record.tcpPort) &&
           GetNetworkOrder(r, record.udpPort) && r.U32(record.iconFlag) &&
           r.U32(record.sharingFlag) && r.I32(record.ping);
}

void SetServerRecordIconFlag(ServerRecordBytes& bytes, uint32_t iconFlag) {
    CPayloadWriter w;
    w.U32(iconFlag);
    std::memcpy(bytes.data() + kIconFlagOffset, w.Data().data(), 4);
}

}  // namespace velorin
