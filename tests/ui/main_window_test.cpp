#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QTableView>

#include "app/sign_in_dialog.h"
#include "fileserver/file_server.h"
#include "support/process_fixture.h"
#include "support/temp_folder.h"
#include "ui/home_page.h"
#include "ui/popups.h"
#include "ui/server_state_part.h"
#include "ui/share_check_dialog.h"
#include "ui/state_page.h"
#include "ui/tray.h"
#include "views/server_view.h"

namespace velorin {
namespace {

class MainWindowTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        StartProcess();
        window = std::make_unique<CMainWindow>(*process);
        for (int i = 1; i < kPageCount; ++i) {
            window->SetPage(i, new QWidget, [this, i] { ++ticks[static_cast<size_t>(i)]; });
        }
    }
    void TearDown() override { window.reset(); }

    std::unique_ptr<CMainWindow> window;
    std::array<int, kPageCount> ticks{};
};

TEST_F(MainWindowTest, SelectPageShowsAndTicksOnlyAChangedValidPage) {
    struct Step {
        int index;
        int current;
        int ticksOfThree;
    } steps[] = {{3, 3, 1}, {3, 3, 1}, {6, 3, 1}, {-1, 3, 1}, {4, 4, 1}, {3, 3, 2}};
    for (const Step& step : steps) {
        window->SelectPage(step.index);
        EXPECT_EQ(window->CurrentPage(), step.current) << step.index;
        EXPECT_EQ(ticks[3], step.ticksOfThree) << step.index;
        EXPECT_TRUE(window->PageButton(step.current)->isChecked());
    }
    // The interface timer's tick reaches the shown page only.
    window->TickPage();
    EXPECT_EQ(ticks[3], 3);
    EXPECT_EQ(ticks[4], 1);
    for (int i = 0; i <= kPageCount; ++i) {
        EXPECT_EQ(window->PageButton(i)->toolTip(), QString::fromUtf8(kPageTooltips[i]));
    }
    // The home page's links reach the controller.
    EXPECT_TRUE(window->HomePage().StateText().contains("APP:CONFIG"));
    window->HomePage().onAppLink("CONFIG");
    EXPECT_EQ(ui.Opened().back(), "options");
}

TEST_F(MainWindowTest, TheLogKeepsTheNewest101RowsOfKnownKinds) {
    CRowTableModel& log = *window->StatePageWidget().LogModel();
    int before = log.rowCount();
    process->Status().AddStatusLine("not shown", 3);
    process->Status().AddStatusLine("not shown", 16);
    EXPECT_EQ(log.rowCount(), before);
    for (int i = 0; i < 110; ++i) process->Status().AddStatusLine("line " + std::to_string(i), 2);
    ASSERT_EQ(log.rowCount(), 101);
    EXPECT_EQ(log.data(log.index(100, 2), Qt::DisplayRole).toString(), "line 109");
    EXPECT_EQ(log.data(log.index(100, 1), Qt::DisplayRole).toString(), "안내");
    EXPECT_FALSE(log.data(log.index(100, 0), Qt::DecorationRole).isNull());
    QTableView* view = window->StatePageWidget().LogView();
    view->selectRow(100);
    window->StatePageWidget().RemoveSelected();
    EXPECT_EQ(log.rowCount(), 100);
    window->StatePageWidget().RemoveAll();
    EXPECT_EQ(log.rowCount(), 0);
}

TEST_F(MainWindowTest, TrayFollowsTheStateAndCutsItsTooltip) {
    window->SetTrayTooltip(std::string(80, 't'));
    EXPECT_EQ(window->Tray().Tooltip(), QString(63, 't'));
    // Characters, not bytes: a Hangul text is never cut inside a letter.
    std::string hangul;
    for (int i = 0; i < 70; ++i) hangul += "가";
    window->SetTrayTooltip(hangul);
    EXPECT_EQ(window->Tray().Tooltip(), QString(63, QChar(0xAC00)));
    struct Case {
        bool visible;
        MemberState state;
        const char* first;
        const char* second;
    } cases[] = {
        {false, MemberState::kOffline, "프로그램 보이기", "서버연결"},
        {true, MemberState::kOffline, "트레이에 숨기기", "서버연결"},
        {true, MemberState::kOnline, "트레이에 숨기기", "서버중지"},
        {false, MemberState::kConnecting, "프로그램 보이기", "서버연결"},
    };
    for (const Case& c : cases) {
        window->setVisible(c.visible);
        window->SetMemberState(c.state);
        window->UpdateTrayMenu();
        QList<QAction*> items = window->TrayMenu()->actions();
        ASSERT_EQ(items.size(), 4);
        EXPECT_EQ(items[0]->text(), QString::fromUtf8(c.first));
        EXPECT_EQ(items[1]->text(), QString::fromUtf8(c.second));
        EXPECT_EQ(items[3]->text(), "프로그램 종료");
    }
    window->SetMemberState(MemberState::kOffline);
    window->StatusPopup().Show(StatusPopupFor(false, 3, 9999, 2, 9999));
    EXPECT_EQ(window->StatusPopup().Lines(),
              (QStringList{"연결 되지 않았음", "0개 보내는중(0kb/s)", "0개 받는중(0kb/s)"}));
    StatusPopupLines online = StatusPopupFor(true, 3, 10 * 1024, 2, 2048);
    EXPECT_EQ(online.sending, "3개 보내는중(10kb/s)");
    EXPECT_EQ(online.receiving, "2개 받는중(2kb/s)");
    window->ShowPopup("\n서비스를 시작합니다.", kPopupSession);
    EXPECT_EQ(window->EventPopup().Text(), "서비스를 시작합니다.");
}

TEST_F(MainWindowTest, SignInDialogRefusesEmptyFieldsAndTiesTheAutoBoxToTheSaveBox) {
    window->ShowSignInDialog();
    CSignInWindow* dialog = window->SignInWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->AutoBox()->isEnabled());
    dialog->IdField()->clear();
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    dialog->IdField()->setText("kim");
    dialog->PasswordField()->clear();
    dialog->accept();
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{sign_in_dialog_text::kNoId,
                                                       sign_in_dialog_text::kNoPassword}));
    dialog->SaveBox()->setChecked(true);
    EXPECT_TRUE(dialog->AutoBox()->isEnabled());
    dialog->AutoBox()->setChecked(true);
    dialog->SaveBox()->setChecked(false);
    EXPECT_FALSE(dialog->AutoBox()->isChecked());
    dialog->PasswordField()->setText("pw");
    dialog->SaveBox()->setChecked(true);
    dialog->AutoBox()->setChecked(true);
    dialog->accept();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(process->Settings().GetUserID(), "kim");
    EXPECT_EQ(process->Settings().Read(setting::AutoLogin), 1u);
}

}  // namespace
}  // namespace velorin

namespace velorin {
namespace {

TEST_F(MainWindowTest, TheServerPartSetsTheSpeedLimitAndTheCompletedListBox) {
    auto* part = window->findChild<CServerStatePart*>();
    ASSERT_NE(part, nullptr);
    part->SpeedLimit()->setValue(250);
    EXPECT_EQ(process->Options().LimitSpeed, 250u);
    EXPECT_EQ(process->Settings().Read(setting::LimitSpeed), 250u);
    EXPECT_EQ(part->SpeedLimitText()->text(), "속도제한 : 250nop");
    part->SpeedLimit()->setValue(0);
    EXPECT_EQ(part->SpeedLimitText()->text(), "속도제한 : 없음");
    part->KeepCompleted()->setChecked(true);
    EXPECT_EQ(process->Options().TransCompleteSave, 1u);
    EXPECT_EQ(process->Settings().Read(setting::TransCompleteSave), 1u);
    EXPECT_EQ(part->TransferModel()->columnCount(), 9);
}

}  // namespace
}  // namespace velorin

namespace velorin {
namespace {

// The walk runs on its own thread; its end arrives as a posted message.
TEST_F(MainWindowTest, TheSharedFileCheckRunsAndEnds) {
    std::filesystem::create_directories(dir / "p-shared");
    test::WriteFile(dir / "p-shared" / "song.mp3", "s");
    bool exists = false;
    ASSERT_TRUE(
        process->ShareDatabase().AddShareFolder(exists, "music", (dir / "p-shared").string(), ""));
    window->OpenShareCheck();
    CShareCheckDialog* check = window->ShareCheck();
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->windowTitle(), "불법 공유 자료 확인");
    check->StartCheck();
    for (int i = 0; i < 500 && check->Running(); ++i) {
        process->Queue().DispatchOne(0, std::chrono::milliseconds(10));
    }
    for (int i = 0; i < 20; ++i) process->Queue().DispatchOne(0, std::chrono::milliseconds(10));
    EXPECT_FALSE(check->Running());
    EXPECT_EQ(check->Progress(), "검사한 파일: 1개");
    EXPECT_EQ(check->Hits()->rowCount(), 0);
}

}  // namespace
}  // namespace velorin

namespace velorin {
namespace {

// The figure for the README: a tick of the server part with 200 browsing
// visitors and 200 served transfers running.
TEST_F(MainWindowTest, TheServerPartTicksTwoHundredVisitorsAndTransfers) {
    CStatePage page(process->Status().Activity());
    auto* part = new CServerStatePart(*process, *process->ServerView(), &page);
    page.SetServerPart(part);
    CFileServer& server = process->FileServer();
    std::vector<uint64_t> ids;
    for (int i = 0; i < 200; ++i) {
        std::string visitor = "visitor" + std::to_string(i);
        server.Visitors().Add(visitor, nullptr);
        ids.push_back(server.Transfers().Track(visitor, "file" + std::to_string(i) + ".bin", 1,
                                               1u << 30, 0, nullptr));
    }
    page.resize(1000, 700);
    page.show();
    process->Queue().ProcessPending();
    ASSERT_EQ(part->Visitors()->model()->rowCount(), 200);
    ASSERT_EQ(part->TransferModel()->rowCount(), 200);

    QElapsedTimer clock;
    qint64 longest = 0;
    for (int tick = 1; tick <= 20; ++tick) {
        for (uint64_t id : ids) server.Transfers().Update(id, static_cast<uint64_t>(tick) << 20, 1);
        clock.restart();
        process->ServerView()->Tick();
        part->Tick();
        page.repaint();
        longest = std::max(longest, clock.nsecsElapsed());
    }
    std::printf("state page tick, 200 visitors and 200 transfers: %.2f ms at most\n",
                static_cast<double>(longest) / 1e6);
    EXPECT_EQ(part->TransferModel()->rowCount(), 200);
    server.Visitors().Remove(nullptr);
    server.Transfers().Detach(nullptr);
}

}  // namespace
}  // namespace velorin
