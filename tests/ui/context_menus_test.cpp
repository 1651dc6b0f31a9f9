// The menus built on demand: which items a list's selection enables, and what
// the member commands do.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QListView>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

#include "data/link.h"
#include "data/share_rules.h"
#include "platform/window_messages.h"
#include "support/process_fixture.h"
#include "transfer/peer_queue.h"
#include "transfer/transfer_manager.h"
#include "ui/search_page.h"
#include "ui/server_state_part.h"
#include "ui/state_page.h"
#include "ui/transfer_page.h"
#include "views/transfer_view.h"

namespace velorin {
namespace {

class ContextMenus : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        StartProcess();
        state = std::make_unique<CStatePage>(process->Status().Activity());
        server = new CServerStatePart(*process, *process->ServerView(), state.get());
        transfers = std::make_unique<CTransferPage>(*process);
        search = std::make_unique<CSearchPage>(*process, *process->SearchView());
    }
    void TearDown() override {
        search.reset();
        transfers.reset();
        state.reset();
    }

    // The enabled items' texts.
    static std::set<std::string> Enabled(QMenu& menu) {
        std::set<std::string> texts;
        for (QAction* action : menu.actions()) {
            if (!action->isSeparator() && action->isEnabled()) {
                texts.insert(action->text().toStdString());
            }
        }
        return texts;
    }
    static QAction* Item(QMenu& menu, const char* text) {
        for (QAction* action : menu.actions()) {
            if (action->text() == QString::fromUtf8(text)) return action;
        }
        return nullptr;
    }

    std::unique_ptr<CStatePage> state;
    CServerStatePart* server = nullptr;
    std::unique_ptr<CTransferPage> transfers;
    std::unique_ptr<CSearchPage> search;
};

TEST_F(ContextMenus, WithoutASelectionOnlyTheListWideItemsAreEnabled) {
    struct Case {
        const char* name;
        std::function<QMenu*()> create;
        std::set<std::string> enabled;
        size_t items;
    } cases[] = {
        {"LogList", [&] { return state->CreateLogMenu(); }, {"모두 삭제", "로그 보기"}, 3},
        {"FSExplorerList", [&] { return server->CreateVisitorMenu(); }, {}, 7},
        {"FSTransFileState",
         [&] { return server->CreateTransferMenu(); },
         {"모든 리스트 삭제(진행중인 리스트 제외)"},
         9},
        {"FSCUserList", [&] { return transfers->CreateMemberMenu(); }, {}, 6},
        {"FindFileList", [&] { return search->CreateMenu(); }, {"목록 삭제"}, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QMenu> menu(c.create());
        EXPECT_EQ(menu->objectName().toStdString(), c.name);
        size_t items = 0;
        for (QAction* action : menu->actions()) items += action->isSeparator() ? 0 : 1;
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(Enabled(*menu), c.enabled);
    }
    // The row menu of the own transfers is enabled as it opens.
    transfers->UpdateRowMenu();
    EXPECT_EQ(Enabled(*transfers->RowMenu()),
              (std::set<std::string>{kTransferMenuClearAll, kTransferMenuOpenFolder}));
}

TEST_F(ContextMenus, TheTransferPagesMemberMenuActsOnTheSelectedMember) {
    {
        CTransferManager& manager = process->Transfers();
        std::lock_guard lock(manager.Lock());
        CPeerQueue* queue = manager.CreateQueue("kim");
        std::lock_guard queueLock(queue->Lock());
        queue->AddStoredEntry(kModeDownload, "\\docs", "a.bin", 10, 0, kTransferStateReserved, "");
    }
    process->Queue().PostMessage(process->TransferView()->Handle(), WM_TRANSFER_MEMBERS, 0, 0);
    process->Queue().ProcessPending();
    std::vector<std::string> browsed, noted;
    transfers->onBrowse = [&browsed](const std::string& id) { browsed.push_back(id); };
    transfers->onNote = [&noted](const std::string& id) { noted.push_back(id); };

    std::unique_ptr<QMenu> menu(transfers->CreateMemberMenu());
    EXPECT_EQ(Enabled(*menu).size(), 6u);
    Item(*menu, "접속")->trigger();
    Item(*menu, "쪽지 보내기")->trigger();
    // Enter on the member list browses, as "접속" does.
    QTest::keyClick(transfers->findChild<QListView*>("transferMembers"), Qt::Key_Return);
    EXPECT_EQ(browsed, (std::vector<std::string>{"kim", "kim"}));
    EXPECT_EQ(noted, std::vector<std::string>{"kim"});
    Item(*menu, "서버 링크 복사하기(HTML)")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), ServerLinkTexts("kim").serverHtml);
    Item(*menu, "친구등록")->trigger();
    Item(*menu, "친구등록")->trigger();
    EXPECT_EQ(ui.Messages().back(), share_text::kIdExists);

    // A row and a member enable the whole row menu.
    transfers->findChild<QTableView*>("transferFiles")->selectRow(0);
    transfers->UpdateRowMenu();
    EXPECT_EQ(Enabled(*transfers->RowMenu()).size(), 10u);
}

}  // namespace
}  // namespace velorin
