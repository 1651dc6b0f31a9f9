#pragma once
// A bounded wait for state that another thread or process changes: a fault
// fails the test instead of hanging it.
#include <chrono>
#include <thread>

namespace velorin::test {

template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10),
                std::chrono::milliseconds interval = std::chrono::milliseconds(5)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

}  // namespace velorin::test
