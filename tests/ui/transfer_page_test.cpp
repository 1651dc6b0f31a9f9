#include "ui/transfer_page.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest/QTest>
#include <cstdio>
#include <functional>
#include <mutex>

#include "data/process_options.h"
#include "fileserver/server_clock.h"
#include "platform/window_messages.h"
#include "support/process_fixture.h"
#include "transfer/peer_queue.h"
#include "transfer/transfer_manager.h"
#include "ui/speed_graph.h"
#include "views/transfer_view.h"

namespace velorin {
namespace {

// A page over a real process whose transfer list is filled as a loaded list is.
class TransferPage : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        QApplication::setFont(QFont("NanumGothic", 10));
        StartProcess();
        page = std::make_unique<CTransferPage>(*process);
        page->resize(900, 600);
    }

    TransferEntry* Add(const std::string& member, const std::string& name, uint8_t state,
                       uint64_t size = 4096) {
        CTransferManager& manager = process->Transfers();
        std::lock_guard lock(manager.Lock());
        CPeerQueue* queue = manager.FindQueue(member);
        if (!queue) queue = manager.CreateQueue(member);
        std::lock_guard queueLock(queue->Lock());
        return queue->AddStoredEntry(kModeDownload, "\\docs", name, size, 0, state, "");
    }
    // The view hears of the list as the start-up's load tells it.
    void Refresh() {
        process->Queue().PostMessage(process->TransferView()->Handle(), WM_TRANSFER_MEMBERS, 0, 0);
        Settle();
    }
    void Settle() { process->Queue().ProcessPending(); }

    QTableView* Files() { return page->findChild<QTableView*>("transferFiles"); }
    QListView* Members() { return page->findChild<QListView*>("transferMembers"); }
    CSpeedGraph* Graph(const char* name) { return page->findChild<CSpeedGraph*>(name); }
    void SelectRow(int row) {
        Files()->selectionModel()->select(
            Files()->model()->index(row, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    QAction* MenuItem(const char* text) {
        for (QAction* action : page->RowMenu()->actions()) {
            if (action->text() == QString::fromUtf8(text)) return action;
        }
        return nullptr;
    }
    // Every member's entries with their states, in list order.
    std::string States() {
        std::string text;
        for (const TransferSnapshot& entry : process->Transfers().Snapshot("")) {
            text += entry.userId + ":" + entry.fileName + "=" + std::to_string(entry.state) + " ";
        }
        return text;
    }

    std::unique_ptr<CTransferPage> page;
};

TEST_F(TransferPage, ShowsTheCoresColumnsAndTheTickedRowsProgress) {
    TransferEntry* running = Add("kim", "a b.mkv", kTransferStateTransferring, 40960);
    Add("kim", "next.bin", kTransferStateReserved);
    Add("lee", "other.bin", kTransferStateCompleted);
    Refresh();
    QAbstractItemModel& model = *Files()->model();
    ASSERT_EQ(model.columnCount(), 9);
    for (int column = 0; column < 9; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(),
                  QString::fromUtf8(kTransferViewHeaders[static_cast<size_t>(column)]));
    }
    EXPECT_EQ(Members()->model()->rowCount(), 2);
    EXPECT_EQ(Members()->currentIndex().data().toString(), "kim");
    ASSERT_EQ(model.rowCount(), 2);

    uint32_t now = SystemServerClock().UnixSeconds();
    running->StartTime = now - 4;
    running->MovedBytes = 10240;
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    process->TransferView()->Tick();
    page->Tick();
    // Only the ticked row is told, and nothing is rebuilt.
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 0);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 0);
    EXPECT_EQ(reset.count(), 0);

    const TransferViewRow& row = process->TransferView()->Rows()[0];
    const std::string texts[] = {row.state, row.action, row.fileName,  row.progress, row.speed,
                                 row.size,  row.moved,  row.remaining, row.note};
    EXPECT_EQ(row.progress, " 25 %");
    EXPECT_NE(row.remaining, "00:00:00");
    for (int column = 0; column < 9; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(model.index(0, column).data().toString().toStdString(), texts[column]);
    }
    EXPECT_EQ(model.index(0, 3).data(Qt::UserRole).toInt(), 25);
    EXPECT_EQ(model.index(1, 3).data(Qt::UserRole).toInt(), 0);
    EXPECT_EQ(model.index(1, 0).data().toString(), "전송예약");
    EXPECT_FALSE(model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

    // The graphs take the core's sums, one sample a tick.
    EXPECT_GT(process->TransferView()->DownloadBytesPerSecond(), 0u);
    ASSERT_EQ(Graph("downloadGraph")->Samples().size(), 1u);
    EXPECT_EQ(Graph("downloadGraph")->Samples().back(),
              process->TransferView()->DownloadBytesPerSecond());
    EXPECT_EQ(Graph("uploadGraph")->Samples().back(), 0u);

    // Picking another member shows its entries.
    Members()->setCurrentIndex(Members()->model()->index(1, 0));
    Settle();
    EXPECT_EQ(process->TransferView()->Selected(), "lee");
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.index(0, 2).data().toString(), "other.bin");
    EXPECT_EQ(model.index(0, 3).data(Qt::UserRole).toInt(), 0);

    if (qEnvironmentVariableIsSet("VELORIN_SCREENSHOTS")) {
        Members()->setCurrentIndex(Members()->model()->index(0, 0));
        Settle();
        for (int i = 0; i < 60; ++i) Graph("downloadGraph")->AddSample((i % 17) * 3000);
        page->grab().save("/tmp/transfer_page_900.png");
        page->resize(1400, 900);
        page->grab().save("/tmp/transfer_page_1400.png");
    }
}

TEST_F(TransferPage, ButtonsAndMenuItemsReachTheTransferList) {
    struct Case {
        const char* button;  // null for a menu item alone
        const char* menuItem;
        int row;  // of kim's entries; -1 for none
        std::string after;
    } cases[] = {
        {"transferStop", kTransferStop, 0, "kim:a.bin=8 kim:b.bin=16 kim:c.bin=8 lee:d.bin=16 "},
        // No member "kim" is listed: the restarted entry fails at once.
        {"transferRestart", kTransferRestart, 2,
         "kim:a.bin=2 kim:b.bin=16 kim:c.bin=4 lee:d.bin=16 "},
        {"transferRemove", kTransferMenuRemove, 0, "kim:b.bin=16 kim:c.bin=8 lee:d.bin=16 "},
        {nullptr, kTransferMenuRemoveReceived, 2, "kim:a.bin=2 kim:b.bin=16 lee:d.bin=16 "},
        {"transferClearMember", kTransferMenuClearMember, -1,
         "kim:a.bin=2 kim:c.bin=8 lee:d.bin=16 "},
        {"transferClearAll", kTransferMenuClearAll, -1, "kim:a.bin=2 kim:c.bin=8 "},
    };
    for (const Case& c : cases) {
        for (bool byMenu : {false, true}) {
            if (!byMenu && !c.button) continue;
            SCOPED_TRACE(std::string(c.menuItem) + (byMenu ? " (menu)" : " (button)"));
            process->Transfers().RemoveEntries(0xff);
            Add("kim", "a.bin", kTransferStateReserved);
            Add("kim", "b.bin", kTransferStateCompleted);
            Add("kim", "c.bin", kTransferStateCancelled);
            Add("lee", "d.bin", kTransferStateCompleted);
            Refresh();
            process->TransferView()->Select("kim");
            ASSERT_EQ(Files()->model()->rowCount(), 3);
            if (c.row >= 0) SelectRow(c.row);
            if (byMenu) {
                QAction* action = MenuItem(c.menuItem);
                ASSERT_NE(action, nullptr);
                action->trigger();
            } else {
                auto* button = page->findChild<QPushButton*>(c.button);
                ASSERT_NE(button, nullptr);
                QTest::mouseClick(button, Qt::LeftButton);
            }
            Settle();
            EXPECT_EQ(States(), c.after);
            EXPECT_EQ(static_cast<size_t>(Files()->model()->rowCount()),
                      process->TransferView()->Rows().size());
        }
    }
}

TEST_F(TransferPage, DeleteRemovesAndTheTransferringEntryStaysWithItsLine) {
    Add("kim", "a.bin", kTransferStateTransferring);
    Add("kim", "b.bin", kTransferStateFailed);
    Refresh();
    Files()->setFocus();
    SelectRow(1);
    QTest::keyClick(Files(), Qt::Key_Delete);
    Settle();
    EXPECT_EQ(States(), "kim:a.bin=1 ");
    SelectRow(0);
    QTest::keyClick(Files(), Qt::Key_Delete);
    Settle();
    EXPECT_EQ(States(), "kim:a.bin=1 ");
    ASSERT_FALSE(ui.Rows().empty());
    EXPECT_EQ(ui.Rows().back().text,
              "전송중인 파일은 리스트에서 삭제할수 없습니다. 전송을 중지하세요");
}

TEST_F(TransferPage, OpensTheDownloadFolderAndCopiesFileLinks) {
    Add("kim", "a b.mkv", kTransferStateCompleted, 5);
    Refresh();
    size_t opened = ui.Opened().size();
    QTest::mouseClick(page->findChild<QPushButton*>("transferOpenFolder"), Qt::LeftButton);
    ASSERT_EQ(ui.Opened().size(), opened + 1);
    EXPECT_EQ(ui.Opened().back(), "folder " + process->Options().DownloadPath());
    MenuItem(kTransferMenuOpenFolder)->trigger();
    EXPECT_EQ(ui.Opened().size(), opened + 2);
    EXPECT_EQ(ui.Opened().back(), "folder " + process->Options().DownloadPath());

    SelectRow(0);
    std::optional<LinkTexts> texts = process->TransferView()->LinkTextsOf(0);
    ASSERT_TRUE(texts);
    for (bool html : {false, true}) {
        MenuItem(html ? kTransferMenuCopyHtml : kTransferMenuCopyLink)->trigger();
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
                  html ? texts->fileHtml : texts->file);
    }
}

TEST(SpeedGraph, KeepsTheLastMinuteOfSamples) {
    CSpeedGraph graph("DN");
    for (uint64_t i = 0; i < 75; ++i) graph.AddSample(i);
    ASSERT_EQ(graph.Samples().size(), CSpeedGraph::kSamples);
    EXPECT_EQ(graph.Samples().front(), 15u);
    EXPECT_EQ(graph.Samples().back(), 74u);
}

TEST(SpeedGraph, ScaleHoldsTheLargestSampleInSteps) {
    struct Case {
        std::vector<uint64_t> samples;
        uint64_t scale;
        const char* text;
    } cases[] = {
        {{}, 1024, "1k"},
        {{0, 0}, 1024, "1k"},
        {{1024}, 1024, "1k"},
        {{1025}, 2048, "2k"},
        {{3000, 10}, 5120, "5k"},
        {{6000}, 10240, "10k"},
        {{100 * 1024}, 100 * 1024, "100k"},
        {{150 * 1024, 20}, 200 * 1024, "200k"},
        {{UINT64_MAX}, UINT64_MAX, nullptr},
    };
    for (const Case& c : cases) {
        CSpeedGraph graph("UP");
        for (uint64_t sample : c.samples) graph.AddSample(sample);
        SCOPED_TRACE(c.scale);
        EXPECT_EQ(graph.Scale(), c.scale);
        if (c.text) {
            EXPECT_EQ(graph.ScaleText(), c.text);
        }
        graph.resize(200, 60);
        EXPECT_FALSE(graph.grab().isNull());
    }
    // A large sample leaves the graph after a minute, and the scale with it.
    CSpeedGraph graph("DN");
    graph.AddSample(1 << 20);
    for (size_t i = 0; i < CSpeedGraph::kSamples; ++i) graph.AddSample(10);
    EXPECT_EQ(graph.Scale(), 1024u);
}

// Prints what a tick of 500 rows costs, repaint included; no bound is asserted.
TEST_F(TransferPage, TickOfFiveHundredEntries) {
    TransferEntry* running = Add("kim", "running.bin", kTransferStateTransferring, 1 << 30);
    for (int i = 1; i < 500; ++i) Add("kim", "f" + std::to_string(i), kTransferStateReserved);
    Refresh();
    ASSERT_EQ(Files()->model()->rowCount(), 500);
    page->show();
    QApplication::processEvents();
    running->StartTime = SystemServerClock().UnixSeconds() - 10;
    constexpr int kTicks = 50;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kTicks; ++i) {
        running->MovedBytes += 65536;
        process->TransferView()->Tick();
        page->Tick();
        QApplication::processEvents();
    }
    double each = static_cast<double>(timer.nsecsElapsed()) / 1e6 / kTicks;
    std::printf("transfer page tick, 500 entries: %.3f ms\n", each);
    RecordProperty("tick_ms", std::to_string(each));
    EXPECT_EQ(Files()->model()->index(0, 6).data().toString().toStdString(),
              process->TransferView()->Rows()[0].moved);
}

}  // namespace
}  // namespace velorin
