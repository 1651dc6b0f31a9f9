#include "support/message_log.h"

namespace velorin::test {

std::optional<Message> CMessageLog::WaitFor(uint32_t message, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (; seen_ < messages.size(); ++seen_) {
            if (messages[seen_].message == message) return messages[seen_++];
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        Queue().DispatchOne(Handle(), left);
    }
}

size_t CMessageLog::Count(uint32_t message) const {
    size_t count = 0;
    for (const Message& m : messages) count += m.message == message ? 1 : 0;
    return count;
}

}  // namespace velorin::test
