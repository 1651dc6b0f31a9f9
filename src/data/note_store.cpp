#include "data/note_store.h"

#include <set>

#include "platform/registry.h"
#include "platform/text_encoding.h"

namespace velorin {

CNoteStore::CNoteStore(CRegistry& registry, const std::atomic<uint32_t>& recvMessage)
    : registry_(registry), recvMessage_(recvMessage) {}

CNoteStore::Arrival CNoteStore::StoreIncomingNote(const std::string& sender,
                                                  const std::string& text, int64_t now) {
    if (recvMessage_ == 0 || Cp949Length(text) > kNoteByteLimit) return Arrival::kIgnored;
    std::vector<std::string> names = registry_.ValueNames(kMsgKey);
    std::set<std::string> taken(names.begin(), names.end());
    for (int slot = 0; slot < kNoteSlots; ++slot) {
        std::string name = std::to_string(slot);
        if (taken.count(name)) continue;
        std::string value = sender + "|" + std::to_string(now) + "|0|" + text;
        return registry_.WriteString(kMsgKey, name, value) ? Arrival::kStored : Arrival::kNotStored;
    }
    return Arrival::kNotStored;
}

}  // namespace velorin
