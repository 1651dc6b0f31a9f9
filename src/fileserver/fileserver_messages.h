#pragma once
// Window messages the file server posts to the member's server view.
#include <cstdint>

#include "platform/message_queue.h"
#include "platform/window_messages.h"

namespace velorin {

// Where a list posts its change message: a queue and the receiving window.
struct ViewOwner {
    CMessageQueue* queue = nullptr;
    WindowHandle window = 0;

    void Post(uint32_t message) const {
        if (queue != nullptr && window != 0) queue->PostMessage(window, message);
    }
};

}  // namespace velorin
