#include "ui/server_list_page.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/process.h"
#include "data/link.h"
#include "data/settings.h"
#include "service/server_list.h"
#include "support/eventually.h"
#include "support/process_fixture.h"
#include "transfer/transfer_texts.h"
#include "views/friend_dialog.h"
#include "views/server_explorer.h"
#include "views/server_list_view.h"

namespace velorin {
namespace {

namespace text = server_list_view_text;

ServerRecord Record(const std::string& id, uint8_t channel, int8_t category, uint32_t sharing,
                    int32_t ping) {
    ServerRecord record;
    record.userId = id;
    record.description = id + " 서버";
    record.channel = channel;
    record.category = category;
    record.sharingFlag = sharing;
    record.ping = ping;
    record.address = htonl(INADDR_LOOPBACK);
    record.tcpPort = htons(1);
    return record;
}

class ServerListPageTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        QApplication::setFont(QFont("NanumGothic", 10));
        StartProcess();
        process->Settings().Write(setting::ShowShareServer, 0);
        for (const ServerRecord& record :
             {Record("Bo", 0, 0, 1, 30), Record("al", 0, 0, 0, -1), Record("cy", 0, 0, 1, 5),
              Record("dee", 0, 2, 1, 7), Record("moon", 1, 0, 1, 1)}) {
            process->ServerList().AddRecord(record);
        }
        process->ServerListView()->SetShareFilter(false);
        MakePage();
    }
    void TearDown() override { page.reset(); }

    void MakePage() {
        page = std::make_unique<CServerListPage>(*process);
        page->resize(900, 600);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        table = page->findChild<QTableView*>("serverTable");
        ASSERT_NE(table, nullptr);
    }
    std::vector<std::string> Ids() const {
        std::vector<std::string> ids;
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            ids.push_back(table->model()->index(row, 0).data().toString().toStdString());
        }
        return ids;
    }
    std::vector<std::string> Categories() const {
        auto* list = page->findChild<QListWidget*>("categoryList");
        std::vector<std::string> lines;
        for (int row = 0; row < list->count(); ++row) {
            lines.push_back(list->item(row)->text().toStdString());
        }
        return lines;
    }
    std::string Total() const {
        return page->findChild<QLabel*>("totalLine")->text().toStdString();
    }
    void SelectRow(int row) { table->selectRow(row); }
    // The press and release before the second press make it a double click for the view.
    void DoubleClick(QPoint at) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    }
    QAction* MenuItem(QMenu& menu, const char* label) const {
        for (QAction* action : menu.actions()) {
            if (action->text() == QString::fromUtf8(label)) return action;
        }
        ADD_FAILURE() << "no menu item " << label;
        return nullptr;
    }
    void Trigger(const char* label) {
        std::unique_ptr<QMenu> menu(page->CreateRowMenu());
        MenuItem(*menu, label)->trigger();
    }

    std::unique_ptr<CServerListPage> page;
    QTableView* table = nullptr;
};

TEST_F(ServerListPageTest, ChoicesRefillTheTableTheCategoryLinesAndTheTotal) {
    EXPECT_EQ(Ids(), (std::vector<std::string>{"Bo", "al", "cy"}));
    EXPECT_EQ(Categories(), (std::vector<std::string>{"동영상\t(3)", "이미지\t(0)", "음악\t(1)",
                                                      "유틸\t(0)", "게임\t(0)", "기타\t(0)"}));
    EXPECT_EQ(Total(), "<B>전체:5/4</B>");
    auto* share = page->findChild<QCheckBox*>("shareOnlyBox");
    auto* channels = page->findChild<QComboBox*>("channelBox");
    auto* categories = page->findChild<QListWidget*>("categoryList");
    ASSERT_TRUE(share && channels && categories);
    EXPECT_EQ(channels->count(), 2);
    EXPECT_EQ(channels->itemText(1).toStdString(), ChannelName(1));

    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> ids;
        std::string firstCategory;
        std::string total;
    };
    for (const Case& c : std::vector<Case>{
             {"share filter on",
              [&] { QTest::mouseClick(share, Qt::LeftButton); },
              {"Bo", "cy"},
              "동영상\t(3)",
              "<B>전체:5/4</B>"},
             {"music",
              [&] { categories->setCurrentRow(2); },
              {"dee"},
              "동영상\t(3)",
              "<B>전체:5/4</B>"},
             {"second channel, still music",
              [&] { emit channels->activated(1); },
              {},
              "동영상\t(1)",
              "<B>전체:5/1</B>"},
             {"video",
              [&] { categories->setCurrentRow(0); },
              {"moon"},
              "동영상\t(1)",
              "<B>전체:5/1</B>"},
             {"share filter off",
              [&] { QTest::mouseClick(share, Qt::LeftButton); },
              {"moon"},
              "동영상\t(1)",
              "<B>전체:5/1</B>"},
         }) {
        c.act();
        EXPECT_EQ(Ids(), c.ids) << c.what;
        EXPECT_EQ(Categories().front(), c.firstCategory) << c.what;
        EXPECT_EQ(Total(), c.total) << c.what;
    }
    EXPECT_EQ(process->Settings().Read(setting::ShowShareServer), 0u);
    QTest::mouseClick(share, Qt::LeftButton);
    EXPECT_EQ(process->Settings().Read(setting::ShowShareServer), 1u);
    // A member who does not share stays out even in its own category.
    process->ServerList().AddRecord(Record("quiet", 1, 0, 0, 3));
    process->ServerListView()->Refill();
    EXPECT_EQ(Ids(), (std::vector<std::string>{"moon"}));
    EXPECT_EQ(Categories().front(), "동영상\t(2)");
}

TEST_F(ServerListPageTest, TheHeadersAreTheColumnsAndEachClickTurnsTheOrder) {
    QHeaderView* header = table->horizontalHeader();
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(table->model()->headerData(column, Qt::Horizontal).toString().toStdString(),
                  text::kColumns[column]);
        // The last column also takes the room that is left.
        if (column < 4) {
            EXPECT_EQ(table->columnWidth(column), text::kColumnWidths[column]);
        } else {
            EXPECT_GE(table->columnWidth(column), text::kColumnWidths[column]);
        }
    }
    EXPECT_EQ(table->model()->index(1, 2).data().toString().toStdString(), text::kNotSharing);
    EXPECT_EQ(table->model()->index(1, 3).data().toString().toStdString(), text::kNoPing);

    struct Case {
        int column;
        std::vector<std::string> ids;
        Qt::SortOrder order;
    };
    for (const Case& c : std::vector<Case>{
             {0, {"al", "Bo", "cy"}, Qt::AscendingOrder},
             {0, {"cy", "Bo", "al"}, Qt::DescendingOrder},
             {3, {"cy", "Bo", "al"}, Qt::AscendingOrder},
             {3, {"al", "Bo", "cy"}, Qt::DescendingOrder},
             {0, {"al", "Bo", "cy"}, Qt::AscendingOrder},
         }) {
        QPoint at(header->sectionViewportPosition(c.column) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(Ids(), c.ids) << "column " << c.column;
        EXPECT_EQ(header->sortIndicatorSection(), c.column);
        EXPECT_EQ(header->sortIndicatorOrder(), c.order) << "column " << c.column;
    }
}

TEST_F(ServerListPageTest, TheRowMenuNeedsARowExceptForRefresh) {
    const char* items[] = {text::kMenuConnect, text::kMenuFriend,     text::kMenuBlack,
                           text::kRefresh,     text::kMenuServerLink, text::kMenuServerLinkHtml,
                           text::kSendNote};
    for (bool selected : {false, true}) {
        table->clearSelection();
        if (selected) SelectRow(1);
        std::unique_ptr<QMenu> menu(page->CreateRowMenu());
        EXPECT_EQ(menu->objectName(), "ServerListContextMenu");
        for (const char* item : items) {
            QAction* action = MenuItem(*menu, item);
            ASSERT_NE(action, nullptr);
            bool refresh = std::string(item) == text::kRefresh;
            EXPECT_EQ(action->isEnabled(), selected || refresh) << item << " selected " << selected;
        }
        EXPECT_EQ(menu->defaultAction(), MenuItem(*menu, text::kMenuConnect));
    }
}

TEST_F(ServerListPageTest, ADoubleClickConnectsOnlyASignedInMember) {
    QPoint bo = table->visualRect(table->model()->index(0, 1)).center();
    ui.answer = false;
    DoubleClick(bo);
    ASSERT_FALSE(ui.Messages().empty());
    EXPECT_EQ(ui.Messages().back(), std::string("? ") + server_list_text::kAskConnect);
    EXPECT_EQ(process->Explorer()->Sessions(), 0u);

    process->ServerRunning() = true;
    DoubleClick(bo);
    // The browse session reports from its worker; nothing listens on the port.
    EXPECT_TRUE(test::Eventually([&] {
        process->Queue().ProcessPending();
        return process->Explorer()->Sessions() > 0;
    }));

    // Enter on the current row does the same; a member gone from the list says so.
    process->ServerList().ClearAll();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Return);
    ASSERT_FALSE(ui.RowTexts().empty());
    EXPECT_EQ(ui.RowTexts().back(), transfer_text::kNotListed);
}

TEST_F(ServerListPageTest, RowCommandsCopyLinksAddMembersAndAddressNotes) {
    std::vector<std::string> notes;
    std::vector<std::string> helps;
    page->SetNoteHandler([&](const std::string& id) { notes.push_back(id); });
    page->SetHelpHandler([&](const std::string& path) { helps.push_back(path); });
    page->findChild<QPushButton*>("noteButton")->click();
    page->findChild<QPushButton*>("helpButton")->click();

    SelectRow(2);
    LinkTexts links = ServerLinkTexts("cy");
    struct Case {
        const char* item;
        std::string clipboard;
    };
    for (const Case& c : std::vector<Case>{{text::kMenuServerLink, links.server},
                                           {text::kMenuServerLinkHtml, links.serverHtml}}) {
        QApplication::clipboard()->clear();
        Trigger(c.item);
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), c.clipboard) << c.item;
    }
    Trigger(text::kMenuFriend);
    SelectRow(0);
    Trigger(text::kMenuBlack);
    Trigger(text::kSendNote);
    page->findChild<QPushButton*>("noteButton")->click();

    CFriendDialog friends = process->FriendDialog();
    EXPECT_TRUE(friends.Find(MemberList::kFriends, "cy").has_value());
    EXPECT_FALSE(friends.Find(MemberList::kBlack, "cy").has_value());
    EXPECT_TRUE(friends.Find(MemberList::kBlack, "Bo").has_value());
    EXPECT_EQ(notes, (std::vector<std::string>{"", "Bo", "Bo"}));
    EXPECT_EQ(helps, (std::vector<std::string>{text::kHelpPage}));
}

TEST_F(ServerListPageTest, SixThousandRecordsFillTheTableInOneReset) {
    process->ServerList().ClearAll();
    for (size_t i = 0; i < kChannelCapacity; ++i) {
        ServerRecord record = Record("member" + std::to_string(i), 0, 0, i % 3 ? 1 : 0,
                                     static_cast<int32_t>(i % 400) - 1);
        record.iconFlag = i % 2;
        record.openTime = 1700000000u + static_cast<uint32_t>(i) * 37u;
        process->ServerList().AddRecord(record);
    }
    int resets = 0;
    QObject::connect(table->model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    QElapsedTimer clock;
    clock.start();
    process->ServerListView()->Refill();
    QApplication::processEvents();
    table->repaint();
    qint64 filled = clock.elapsed();
    std::printf("filling %zu rows: %lld ms\n", kChannelCapacity, static_cast<long long>(filled));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(table->model()->rowCount(), static_cast<int>(kChannelCapacity));

    clock.restart();
    QHeaderView* header = table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(4) + 10, header->height() / 2));
    table->repaint();
    std::printf("sorting %zu rows: %lld ms\n", kChannelCapacity,
                static_cast<long long>(clock.elapsed()));

    // VELORIN_SCREENSHOTS=folder keeps pictures of the page for a look.
    if (const char* folder = std::getenv("VELORIN_SCREENSHOTS")) {
        page->resize(900, 600);
        page->grab().save(QString::fromUtf8(folder) + "/server_list_900.png");
        page->resize(1400, 900);
        page->grab().save(QString::fromUtf8(folder) + "/server_list_1400.png");
    }
}

}  // namespace
}  // namespace velorin
