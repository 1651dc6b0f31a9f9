#pragma once
// Window messages the file server posts to the member's server view.
#include <cstdint>

#include "platform/message_queue.h"

namespace velorin {

inline constexpr uint32_t WM_TRANSFER_CHANGED = WM_USER + 107;  // 0x046B
inline constexpr uint32_t WM_VISITORS_CHANGED = WM_USER + 108;  // 0x046C

// Where a list posts its change message: a queue and the receiving window.
struct ViewOwner {
    CMessageQueue* queue = nullptr;
    WindowHandle window = 0;

    void Post(uint32_t message) const {
        if (queue != nullptr && window != 0) queue->PostMessage(window, message);
    }
};

}  // namespace velorin
