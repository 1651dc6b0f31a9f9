#pragma once
// Drains the core's message queue from the Qt event loop: every post, new
// timer and Quit writes to an eventfd that a QSocketNotifier watches, so a
// worker's message is dispatched at once, and one single-shot QTimer stands
// for the queue's next due timer. Quit ends the Qt loop with its code.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <memory>

#include "platform/wakeup_loop.h"

namespace velorin {

class CQueueBridge : public QObject {
    Q_OBJECT
public:
    explicit CQueueBridge(CMessageQueue& queue, QObject* parent = nullptr);
    ~CQueueBridge() override;

    bool Ok() const { return loop_.Ok(); }
    // The longest turn the core's messages took on the Qt thread so far: the
    // window could not draw meanwhile.
    std::chrono::microseconds LongestTurn() const { return longest_; }

private:
    void Pump();
    void ArmTimer();

    CMessageQueue& queue_;
    CWakeupLoop loop_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer timer_;
    std::chrono::microseconds longest_{0};
};

}  // namespace velorin
