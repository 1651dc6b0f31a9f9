#include "views/server_list_view.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "app/process.h"
#include "support/process_fixture.h"
#include "transfer/transfer_texts.h"

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

class ServerListViewTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        StartProcess();
        for (const ServerRecord& record :
             {Record("Bo", 0, 0, 1, 30), Record("al", 0, 0, 0, -1), Record("cy", 0, 0, 1, 5),
              Record("dee", 0, 2, 1, 7), Record("moon", 1, 0, 1, 1)}) {
            process->ServerList().AddRecord(record);
        }
        view = process->ServerListView();
        view->Observers().Subscribe(
            [this](const ViewChange& change) { kinds.push_back(change.kind); });
    }
    std::vector<std::string> Ids() const {
        std::vector<std::string> ids;
        for (const ServerListRow& row : view->Rows()) ids.push_back(row.texts[0]);
        return ids;
    }

    CServerListView* view = nullptr;
    std::vector<ViewChange::Kind> kinds;
};

TEST_F(ServerListViewTest, TheTableShowsTheChannelTheCategoryAndTheShareFilter) {
    view->SetShareFilter(false);
    EXPECT_EQ(process->Settings().Read(setting::ShowShareServer), 0u);
    EXPECT_EQ(Ids(), (std::vector<std::string>{"Bo", "al", "cy"}));
    EXPECT_EQ(kinds, (std::vector<ViewChange::Kind>{ViewChange::kReset, ViewChange::kState}));
    const ServerListRow& al = view->Rows()[1];
    EXPECT_EQ(al.texts[2], text::kNotSharing);
    EXPECT_EQ(al.texts[3], text::kNoPing);
    EXPECT_EQ(view->Rows()[0].texts[2], text::kSharing);
    EXPECT_EQ(view->Rows()[0].texts[3], "30");
    EXPECT_EQ(view->CategoryLines()[0], "동영상\t(3)");
    EXPECT_EQ(view->CategoryLines()[2], "음악\t(1)");
    EXPECT_EQ(view->TotalLine(), "<B>전체:5/4</B>");

    struct Case {
        std::function<void()> act;
        std::vector<std::string> ids;
    };
    for (const Case& c : std::vector<Case>{
             {[&] { view->SetShareFilter(true); }, {"Bo", "cy"}},
             {[&] { view->SelectCategory(2); }, {"dee"}},
             {[&] { view->SelectChannel(1); }, {}},
             {[&] { view->SelectCategory(0); }, {"moon"}},
             {[&] { view->SelectChannel(7); }, {"moon"}},
         }) {
        c.act();
        EXPECT_EQ(Ids(), c.ids);
    }
    EXPECT_EQ(view->TotalLine(), "<B>전체:5/1</B>");
}

TEST_F(ServerListViewTest, EachHeaderClickTurnsItsColumnsOrder) {
    view->SetShareFilter(false);
    struct Case {
        size_t column;
        std::vector<std::string> ids;
    };
    for (const Case& c : std::vector<Case>{
             {0, {"al", "Bo", "cy"}},  // letter case does not count
             {0, {"cy", "Bo", "al"}},
             {3, {"cy", "Bo", "al"}},  // "N/A" after every ping
             {3, {"al", "Bo", "cy"}},
             {0, {"al", "Bo", "cy"}},  // each column keeps its own direction
         }) {
        view->Sort(c.column);
        EXPECT_EQ(Ids(), c.ids) << "column " << c.column;
    }
}

TEST_F(ServerListViewTest, ConnectingNeedsTheOwnServerAndAListedMember) {
    view->Refill();
    ui.answer = false;
    EXPECT_EQ(view->Connect(0), text::kNeedsServer);
    EXPECT_EQ(ui.Messages().back(), std::string("? ") + server_list_text::kAskConnect);
    EXPECT_EQ(view->ConnectOwnServer(), text::kNeedsServer);
    EXPECT_EQ(process->Explorer()->Sessions(), 0u);

    process->ServerRunning() = true;
    EXPECT_EQ(view->Connect(9), std::nullopt);
    // The row outlived the list it came from.
    process->ServerList().ClearAll();
    EXPECT_EQ(view->Connect(0), transfer_text::kNotListed);
    EXPECT_EQ(ui.RowTexts().back(), transfer_text::kNotListed);
    process->ServerList().AddRecord(Record("Bo", 0, 0, 1, 30));
    EXPECT_EQ(view->Connect(0), std::nullopt);
}

}  // namespace
}  // namespace velorin
