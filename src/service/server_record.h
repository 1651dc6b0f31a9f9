#pragma once
// ServerRecord: one running member server, 96 bytes, exactly as the server
// list pages carry it and the client stores it.
//   0  u8  channel (0 or 1)          1  i8  category (DataGroup)
//   2  20  user ID                   22 50  description
//   72 u32 opening time (s since 1970)
//   76 u32 IPv4 address   80 u16 TCP port   82 u16 UDP port   (network byte order)
//   84 u32 icon flag (QUICKSEND)     88 u32 sharing flag (1: "공유중")
//   92 i32 ping in ms, negative when unknown
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velorin {

inline constexpr size_t kServerRecordSize = 96;
inline constexpr size_t kServerDescriptionSize = 50;

using ServerRecordBytes = std::array<char, kServerRecordSize>;

struct ServerRecord {
    uint8_t channel = 0;
    int8_t category = 0;
    std::string userId;       // UTF-8
    std::string description;  // UTF-8
    uint32_t openTime = 0;
    // Network byte order, as sin_addr / sin_port hold them: copied, never swapped.
    uint32_t address = 0;
    uint16_t tcpPort = 0;
    uint16_t udpPort = 0;
    uint32_t iconFlag = 0;
    uint32_t sharingFlag = 0;
    int32_t ping = -1;
};

ServerRecordBytes EncodeServerRecord(const ServerRecord& record);
// Exactly 96 bytes; any channel value is returned as it is (the list drops strangers).
bool DecodeServerRecord(std::string_view bytes, ServerRecord& record);

// The icon flag lives at offset 84 of an encoded record.
void SetServerRecordIconFlag(ServerRecordBytes& bytes, uint32_t iconFlag);

}  // namespace velorin
