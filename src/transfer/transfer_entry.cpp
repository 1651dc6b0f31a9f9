#include "transfer/transfer_entry.h"

#include "platform/text_encoding.h"

namespace velorin {

std::string CutMessage(const std::string& text) {
    return CutToCp949Bytes(text, kEntryMessageBytes);
}

}  // namespace velorin
