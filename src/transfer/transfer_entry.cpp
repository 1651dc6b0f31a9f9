#include "transfer/transfer_entry.h"

#include "platform/text_encoding.h"
#include "transfer/transfer_texts.h"

namespace velorin {

const char* StateText(uint8_t state) {
    switch (state) {
        case kStateTransferring:
            return transfer_text::kTransferring;
        case kStateReserved:
            return transfer_text::kReserved;
        case kStateFailed:
            return transfer_text::kFailed;
        case kStateCancelled:
            return transfer_text::kCancelled;
        case kStateCompleted:
            return transfer_text::kCompleted;
        default:
            return "";
    }
}

std::string CutMessage(const std::string& text) {
    return CutToCp949Bytes(text, kEntryMessageBytes);
}

}  // namespace velorin
