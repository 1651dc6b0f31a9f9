#pragma once
// Received notes, one text value each under Software\Velorin\app\msg, named
// by slot "0" to "199" (the lowest free one), holding
// sender + "|" + seconds since 1970 + "|0|" + text; "0" marks it unread.
#include <atomic>
#include <cstdint>
#include <string>

namespace velorin {

class CRegistry;

inline constexpr int kNoteSlots = 200;
inline constexpr size_t kNoteByteLimit = 200;  // CP949 bytes

class CNoteStore {
public:
    enum class Arrival { kIgnored, kStored, kNotStored };

    // `recvMessage`: the RecvMessage setting; 0 refuses every note.
    CNoteStore(CRegistry& registry, const std::atomic<uint32_t>& recvMessage);

    // Ignored when refused or longer than 200 bytes. kNotStored (all 200 slots
    // taken, or the store failed) still counts as an arrival.
    Arrival StoreIncomingNote(const std::string& sender, const std::string& text, int64_t now);

private:
    CRegistry& registry_;
    const std::atomic<uint32_t>& recvMessage_;
};

}  // namespace velorin
