#pragma once
// A window that keeps every message posted to it, for tests of the workers
// that report to the main window.
#include <chrono>
#include <optional>
#include <vector>

#include "platform/message_queue.h"

namespace velorin::test {

class CMessageLog : public CWindowTarget {
public:
    using CWindowTarget::CWindowTarget;
    void OnMessage(const Message& message) override { messages.push_back(message); }

    // Dispatches this window's messages until one of `message` (after those
    // already seen) arrives.
    std::optional<Message> WaitFor(uint32_t message,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(5));
    size_t Count(uint32_t message) const;

    std::vector<Message> messages;

private:
    size_t seen_ = 0;
};

}  // namespace velorin::test
