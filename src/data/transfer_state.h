#pragma once
// The states of a transfer, one set for the member's own transfer list, for
// the server's list of visitors' transfers and for the rows of rtfl.db. Each
// state is a single bit so that an operation can take a mask of them.
#include <cstdint>

namespace velorin {

inline constexpr uint8_t kTransferStateTransferring = 1;
inline constexpr uint8_t kTransferStateReserved = 2;
inline constexpr uint8_t kTransferStateFailed = 4;
inline constexpr uint8_t kTransferStateCancelled = 8;
inline constexpr uint8_t kTransferStateCompleted = 16;
// Failed, cancelled or completed.
inline constexpr uint8_t kTransferStatesFinished = 28;

// "전송중", "전송예약", "전송실패", "취소됨", "전송완료"; empty for any other value.
const char* TransferStateText(uint8_t state);

}  // namespace velorin
