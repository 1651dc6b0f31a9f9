#include "ui/queue_bridge.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/message_queue.h"
#include "ui/row_table_model.h"

namespace velorin {
namespace {

class CRecorder : public CWindowTarget {
public:
    explicit CRecorder(CMessageQueue& queue) : CWindowTarget(queue) {}
    void OnMessage(const Message& message) override {
        messages.push_back(message.message);
        if (message.message == 99) Queue().Quit(7);
    }
    std::vector<uint32_t> messages;
};

// A worker's post reaches its window from the Qt loop, timers fire with their
// ids, and Quit ends the Qt loop with its code.
TEST(QueueBridge, DispatchesPostsAndTimersAndEndsWithQuit) {
    CMessageQueue queue;
    CRecorder window(queue);
    CQueueBridge bridge(queue);
    ASSERT_TRUE(bridge.Ok());
    queue.SetTimer(window.Handle(), 1, std::chrono::milliseconds(30));
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        queue.PostMessage(window.Handle(), WM_USER + 5, 0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        queue.PostMessage(window.Handle(), 99, 0, 0);
    });
    // A stuck bridge would leave the loop running: end it with another code.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(-2); });
    int code = QCoreApplication::exec();
    worker.join();
    EXPECT_EQ(code, 7);
    size_t ticks = std::count(window.messages.begin(), window.messages.end(), WM_TIMER);
    EXPECT_GE(ticks, 2u);
    EXPECT_NE(std::find(window.messages.begin(), window.messages.end(), WM_USER + 5),
              window.messages.end());
}

// The core tells of a change after making it; Qt hears it as the matching row signals.
TEST(RowTableModel, FollowsTheCoreModelsChanges) {
    CViewObservers observers;
    std::vector<std::string> rows = {"a", "b"};
    CRowTableModel model(observers, [&] { return rows.size(); },
                         {{"name", [&](size_t row, int role) -> QVariant {
                               if (role != Qt::DisplayRole) return {};
                               return QString::fromStdString(rows[row]);
                           }}});
    int inserted = 0;
    int removed = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, [&] { ++removed; });
    rows.push_back("c");
    observers.Inserted(2, 1);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(2, 0), Qt::DisplayRole).toString(), "c");
    rows.erase(rows.begin());
    observers.Removed(0, 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "b");
    // A row the core dropped before Qt heard of it reads as nothing.
    rows.clear();
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::DisplayRole).isValid());
    observers.Reset();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "name");
}

}  // namespace
}  // namespace velorin
