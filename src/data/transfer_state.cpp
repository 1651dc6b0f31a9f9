#include "data/transfer_state.h"

namespace velorin {

const char* TransferStateText(uint8_t state) {
    switch (state) {
        case kTransferStateTransferring:
            return "전송중";
        case kTransferStateReserved:
            return "전송예약";
        case kTransferStateFailed:
            return "전송실패";
        case kTransferStateCancelled:
            return "취소됨";
        case kTransferStateCompleted:
            return "전송완료";
        default:
            return "";
    }
}

}  // namespace velorin
