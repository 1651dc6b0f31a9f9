#include "ui/queue_bridge.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>

namespace velorin {

CQueueBridge::CQueueBridge(CMessageQueue& queue, QObject* parent)
    : QObject(parent), queue_(queue), loop_(queue) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CQueueBridge::Pump);
    if (!loop_.Ok()) return;
    notifier_ = std::make_unique<QSocketNotifier>(loop_.WakeupFd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &CQueueBridge::Pump);
    // What was posted before the bridge existed.
    QTimer::singleShot(0, this, &CQueueBridge::Pump);
}

CQueueBridge::~CQueueBridge() = default;

void CQueueBridge::Pump() {
    // Drained before dispatching: a post that comes once ProcessPending has
    // looked leaves the descriptor readable for the next turn.
    loop_.Drain();
    auto start = std::chrono::steady_clock::now();
    if (!queue_.QuitRequested()) queue_.ProcessPending();
    longest_ = std::max(longest_, std::chrono::duration_cast<std::chrono::microseconds>(
                                      std::chrono::steady_clock::now() - start));
    if (queue_.QuitRequested()) {
        timer_.stop();
        QCoreApplication::exit(queue_.Run());
        return;
    }
    ArmTimer();
}

void CQueueBridge::ArmTimer() {
    auto due = queue_.NextTimerDue();
    if (!due) {
        timer_.stop();
        return;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - CMessageQueue::Clock::now());
    timer_.start(static_cast<int>(std::clamp<int64_t>(left.count(), 0, 24 * 3600 * 1000)));
}

}  // namespace velorin
