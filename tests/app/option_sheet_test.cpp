#include "views/option_sheet.h"

#include <gtest/gtest.h>

#include "data/share_rules.h"
#include "fileserver/file_server.h"
#include "support/process_fixture.h"
#include "support/run_word.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

class OptionSheetTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        StartProcess();
        fs::create_directories(dir / "downloads");
        test::WriteFile(dir / "file", "f");
    }
    COptionSheet Sheet() { return process->OptionSheet(); }
    uint32_t Stored(const char* name) {
        uint32_t value = 0;
        return process->Registry().ReadDword(kAppKey, name, value) ? value : 99;
    }
    ControlAnswer Run(std::vector<std::string> args) {
        return test::RunWord(process->Commands(), process->Queue(), std::move(args));
    }
};

// A refused page shows its text once and stores none of its fields.
TEST_F(OptionSheetTest, RefusedPagesStoreNothing) {
    std::string downloads = (dir / "downloads").string();
    struct Case {
        RequiredOptions page;
        const char* text;
    } required[] = {
        {{6, "fine", downloads}, option_text::kBadChoice},
        {{1, std::string(51, 'x'), downloads}, option_text::kLongServerName},
        {{1, std::string(45, 'x') + "가나하", downloads}, option_text::kLongServerName},
        {{1, "emoji \xF0\x9F\x98\x80", downloads}, option_text::kUnwritableText},
        {{1, "fine", "downloads"}, option_text::kBadDownloadPath},
        {{1, "fine", (dir / "missing").string()}, option_text::kBadDownloadPath},
        {{1, "fine", (dir / "file").string()}, option_text::kBadDownloadPath},
    };
    COptionSheet sheet = Sheet();
    for (const Case& c : required) {
        EXPECT_EQ(sheet.ApplyRequired(c.page), std::string(c.text)) << c.page.serverName;
    }
    for (const char* port : {"", "0", "65536", "-1", "80x", "99999999999"}) {
        EXPECT_EQ(sheet.ApplyConnection({true, true, port}), std::string(option_text::kBadPort))
            << port;
    }
    TransferOptions transfer;
    transfer.continueRecv = 3;
    EXPECT_EQ(sheet.ApplyTransfer(transfer), std::string(option_text::kBadChoice));
    EXPECT_EQ(sheet.ApplyNotice({true, std::string(2001, 'm')}),
              std::string(option_text::kLongMessage));
    EXPECT_EQ(ui.Messages().size(), std::size(required) + 6 + 2);
    EXPECT_EQ(Stored("DataGroup"), 99u);
    EXPECT_EQ(process->Settings().GetServerName(), "");
    EXPECT_EQ(Stored("AUTOPORT"), 0u);
    EXPECT_EQ(Stored("BringMessage"), 0u);
}

TEST_F(OptionSheetTest, AppliedPagesReachTheStoreAndTheRunningParts) {
    COptionSheet sheet = Sheet();
    std::string name = std::string(25, 'x') + "가나하" + std::string(19, 'y');  // 50 bytes
    EXPECT_EQ(sheet.ApplyRequired({4, name, (dir / "downloads/./").string()}), std::nullopt);
    EXPECT_EQ(Stored("DataGroup"), 4u);
    EXPECT_EQ(sheet.Required().serverName, name);
    EXPECT_EQ(process->Options().DownloadPath(), (dir / "downloads/").string());

    EXPECT_EQ(sheet.ApplyConnection({true, true, "1"}), std::nullopt);
    EXPECT_EQ(sheet.ApplyConnection({true, false, "65535"}), std::nullopt);
    EXPECT_EQ(Stored("LISTENPORT"), 65535u);
    EXPECT_EQ(Stored("AUTOPORT"), 0u);
    EXPECT_EQ(Stored("AutoTryTrans"), 99u);
    EXPECT_EQ(sheet.Connection().listenPort, "65535");
    EXPECT_EQ(Stored("AutoTryTrans"), 1u);

    TransferOptions transfer{false, 2, 1, 1, 0, -3, 7, false};
    EXPECT_EQ(sheet.ApplyTransfer(transfer), std::nullopt);
    EXPECT_EQ(Stored("MAXDOWN"), 5u);
    EXPECT_EQ(Stored("MAXUP"), 7u);
    EXPECT_EQ(process->FileServer().Pool().UploadLimit(), 6);
    EXPECT_EQ(process->FileServer().Pool().DownloadLimit(), 8);
    EXPECT_EQ(process->Options().ContinueRecv, 2u);
    EXPECT_EQ(process->Options().QUICKSEND, 0u);
    EXPECT_EQ(process->Options().WriteLog, 0u);
    TransferOptions shown = sheet.Transfer();
    EXPECT_EQ(shown.maxDown, 5);
    EXPECT_FALSE(shown.writeLog);

    std::string greeting(2000, 'g');
    EXPECT_EQ(sheet.ApplyNotice({true, greeting}), std::nullopt);
    EXPECT_EQ(process->Options().Message(), greeting);
    EXPECT_EQ(process->Options().BringMessage, 1u);
}

TEST_F(OptionSheetTest, AutoStartEntryFollowsTheBoxAtOnce) {
    fs::path entry = dir / "config/autostart/velorin.desktop";
    ASSERT_TRUE(fs::exists(entry));
    Sheet().SetAutoStart(false);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(Stored("AutoStart"), 0u);
    Sheet().SetAutoStart(true);
    EXPECT_TRUE(fs::exists(entry));
}

TEST_F(OptionSheetTest, PreviewNeedsTheBoxAndReindexWaitsForTheSignIn) {
    COptionSheet sheet = Sheet();
    EXPECT_EQ(sheet.Preview({false, "hello"}), std::string(option_text::kPreviewNeedsBox));
    EXPECT_EQ(sheet.Preview({true, "hello"}), std::nullopt);
    EXPECT_EQ(ui.Opened().back(), "notice hello");
    EXPECT_EQ(sheet.Reindex(), option_text::kReindexLater);
    std::string sample = COptionSheet::RandomServerName();
    bool listed = false;
    for (unsigned i = 0; i < 20; ++i) listed |= sample == SampleServerDescription(i);
    EXPECT_TRUE(listed) << sample;
}

TEST_F(OptionSheetTest, SetWordAppliesOneFieldThroughItsPage) {
    struct Case {
        std::vector<std::string> args;
        ControlAnswer::Status status;
        const char* name;
        uint32_t stored;
    } cases[] = {
        {{"set", "LISTENPORT", "9000"}, ControlAnswer::kDone, "LISTENPORT", 9000},
        {{"set", "LISTENPORT", "70000"}, ControlAnswer::kRefused, "LISTENPORT", 9000},
        {{"set", "MAXUP", "-2"}, ControlAnswer::kDone, "MAXUP", 5},
        {{"set", "QUICKSEND", "off"}, ControlAnswer::kDone, "QUICKSEND", 0},
        {{"set", "QUICKSEND", "maybe"}, ControlAnswer::kRefused, "QUICKSEND", 0},
        {{"set", "DataGroup", "2"}, ControlAnswer::kDone, "DataGroup", 2},
        {{"set", "AutoLogin", "1"}, ControlAnswer::kRefused, "AutoLogin", 0},
    };
    for (const Case& c : cases) {
        ControlAnswer answer = Run(c.args);
        EXPECT_EQ(answer.status, c.status) << c.args[1] << " " << answer.json;
        EXPECT_EQ(Stored(c.name), c.stored) << c.args[1];
    }
    EXPECT_EQ(Run({"set", "ServerName", "two", "words"}).status, ControlAnswer::kDone);
    ControlAnswer all = Run({"settings"});
    EXPECT_NE(all.json.find("\"ServerName\": \"two words\""), std::string::npos) << all.json;
    EXPECT_NE(all.json.find("\"LISTENPORT\": 9000"), std::string::npos) << all.json;
    EXPECT_EQ(all.json.find("UserPW"), std::string::npos);
}

}  // namespace
}  // namespace velorin
