// A member starts against a service that has raised its word list: the new
// list arrives before the sign-in and refuses a download at once. Real
// velorin-central and velorind processes.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/sqlite_database.h"
#include "platform/strings.h"
#include "service/live_update.h"
#include "support/eventually.h"
#include "support/loopback.h"
#include "system_fixture.h"
#include "views/server_explorer.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::kListed;
using test::kOnline;

class LiveUpdateSystem : public test::SystemFixture {
protected:
    // The shipped web root with `ini` as its version file.
    void Publish(const std::string& ini) {
        webRoot = dir / "webroot";
        fs::copy(VELORIN_WEBROOT, webRoot, fs::copy_options::recursive);
        test::WriteFile(webRoot / "patchdata/update.ini", ini);
        webPort = test::FreeUdpPort();
    }
};

TEST_F(LiveUpdateSystem, RaisedWordListArrivesAtStartAndRefusesADownload) {
    // The word list raised to version 7 with one more word.
    Publish("[MAIN]\r\nVERSION=1\r\nBADWORD=7\r\nPATCHER_VERSION=1\r\n");
    {
        CSqliteDatabase words;
        ASSERT_TRUE(words.Open(webRoot / "patchdata/badword.db",
                               CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(words.Execute("INSERT INTO badword VALUES ('신규금지어', '저작권협회')"));
    }
    ASSERT_TRUE(AddMember("alice", "alice-pw", 100));
    ASSERT_TRUE(AddMember("bob", "bob-pw", 100));
    ASSERT_TRUE(StartCentral(true));
    fs::create_directories(dir / "alice-shared");
    const std::string name = "clip [신규금지어].avi";
    test::WriteFile(dir / "alice-shared" / name, "c");
    SeedMember("alice", "alice-pw", test::FreeUdpPort());
    SeedMember("bob", "bob-pw", test::FreeUdpPort());
    SetDownloadPath("bob", dir / "downloads");

    auto alice = RunMember("alice");
    ASSERT_TRUE(alice->WaitForOutput(kOnline, 20s)) << alice->Output();
    auto bob = RunMember("bob");
    ASSERT_TRUE(bob->WaitForOutput(kListed, 20s)) << bob->Output();

    EXPECT_EQ(test::ReadFile(dir / "bob/badword.db"),
              test::ReadFile(webRoot / "patchdata/badword.db"));
    EXPECT_FALSE(fs::exists(dir / "bob/update.ini"));
    {
        CRegistry registry;
        ASSERT_TRUE(registry.Open(dir / "bob/registry.db"));
        uint32_t badword = 0;
        EXPECT_TRUE(registry.ReadDword(kAppKey, "BADWORD", badword));
        EXPECT_EQ(badword, 7u);
        uint32_t version = 0;
        EXPECT_FALSE(registry.ReadDword(kAppKey, "VERSION", version));
    }

    auto refused = Send("bob", {"download", "alice", "\\alice-shared", name, "1"});
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    std::string harmful = Format(explorer_text::kHarmful, name.c_str());
    EXPECT_NE(refused.output.find(harmful), std::string::npos) << refused.output;
    EXPECT_EQ(Send("bob", {"transfers", "alice"}).output.find("clip"), std::string::npos);
}

// velorind answers no: it starts no updater, keeps running, and is asked
// again when the session server refuses its version.
TEST_F(LiveUpdateSystem, NewClientIsOfferedAtStartAndAgainOnAVersionRefusal) {
    Publish("[MAIN]\nVERSION=2\nBADWORD=2\nPATCHER_VERSION=5\n");
    centralOptions = {"--min-version", "2"};
    ASSERT_TRUE(AddMember("carol", "carol-pw", 100));
    ASSERT_TRUE(StartCentral(true));
    SeedMember("carol", "carol-pw", test::FreeUdpPort());
    auto carol = RunMember("carol");
    const std::string asked = std::string("\tquestion\t") + live_update_text::kAskUpdate + " -> no";
    ASSERT_TRUE(carol->WaitForOutput("잘못된 버젼", 20s)) << carol->Output();
    EXPECT_TRUE(test::Eventually(
        [&] {
            std::string out = carol->Output();
            size_t first = out.find(asked);
            return first != std::string::npos &&
                   out.find(asked, first + asked.size()) != std::string::npos;
        },
        20s, 50ms))
        << carol->Output();
    EXPECT_EQ(test::ReadFile(dir / "carol/update.exe"),
              test::ReadFile(webRoot / "patchdata/update.exe"));
    EXPECT_EQ(Send("carol", {"status"}).exitCode, 0);
}

}  // namespace
}  // namespace velorin
