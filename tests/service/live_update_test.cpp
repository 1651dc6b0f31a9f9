#include "service/live_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "data/badword_file.h"
#include "data/badword_filter.h"
#include "platform/registry.h"
#include "platform/sqlite_database.h"
#include "support/recording_ui.h"
#include "support/scripted_web_host.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using test::CScriptedWebHost;
namespace fs = std::filesystem;

TEST(LiveUpdate, VersionFileKeysReadAsNumbersOfThirtyTwoBitsElseOne) {
    struct Case {
        const char* text;
        UpdateVersions expected;
    } cases[] = {
        {"[MAIN]\r\nVERSION=7\r\nBADWORD=3\r\nPATCHER_VERSION=2\r\n", {7, 3, 2}},
        {"[MAIN]\nVERSION=7\nBADWORD=3\nPATCHER_VERSION=2", {7, 3, 2}},
        {"[main]\n version = 9 \nbadword=4\n", {9, 4, 1}},
        {"", {1, 1, 1}},
        {"VERSION=5\n[OTHER]\nVERSION=6\n[MAIN]\nBADWORD=2\n", {1, 2, 1}},
        {"[MAIN]\nVERSION=2\nVERSION=3\n", {2, 1, 1}},
        {"[MAIN]\nVERSION=-2\nBADWORD=4294967296\nPATCHER_VERSION=4294967295\n",
         {1, 1, 4294967295u}},
        {"[MAIN]\nVERSION=12abc\nBADWORD=\nPATCHER_VERSION=0x10\n", {1, 1, 1}},
        {"\x01\xff[MAIN\n\0\0VERSION=3\n", {1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        UpdateVersions got = ParseUpdateIni(c.text);
        EXPECT_EQ(got.version, c.expected.version);
        EXPECT_EQ(got.badword, c.expected.badword);
        EXPECT_EQ(got.patcherVersion, c.expected.patcherVersion);
    }
}

TEST(LiveUpdate, PatchUrlHasOneSlashWhateverTheRootEndsIn) {
    for (const char* root : {"http://h:8080", "http://h:8080/", "http://h:8080//"}) {
        EXPECT_EQ(PatchUrl(root, "update.ini"), "http://h:8080/patchdata/update.ini");
    }
}

class LiveUpdateCheck : public ::testing::Test {
protected:
    LiveUpdateCheck() { registry_.Open(folder_ / "registry.db"); }

    UpdateOutcome Check(std::string webRoot = "") {
        return CheckForUpdate(LiveUpdateParts{
            .registry = registry_,
            .ui = ui_,
            .folder = folder_.Path(),
            .webRoot = webRoot.empty() ? host_.Root() : webRoot,
            .startUpdater =
                [this](const fs::path& updater) {
                    started_.push_back(updater);
                    return true;
                },
        });
    }
    void Publish(const std::string& ini) { host_.Serve("patchdata/update.ini", ini); }
    // The registry value, or 0 when the client has never written it.
    uint32_t Stored(const char* key, const char* name) {
        uint32_t value = 0;
        return registry_.ReadDword(key, name, value) ? value : 0;
    }
    size_t Questions() const { return ui_.Messages().size(); }

    test::CTempFolder folder_;
    CRegistry registry_;
    test::CRecordingUserInterface ui_;
    CScriptedWebHost host_;
    std::vector<fs::path> started_;
};

TEST_F(LiveUpdateCheck, EqualVersionsFetchOnlyTheVersionFileAndRemoveIt) {
    Publish("[MAIN]\r\nVERSION=1\r\nBADWORD=1\r\nPATCHER_VERSION=1\r\n");
    EXPECT_EQ(Check(), UpdateOutcome::kNone);
    EXPECT_EQ(host_.Requested(), std::vector<std::string>{"patchdata/update.ini"});
    EXPECT_FALSE(fs::exists(folder_ / "update.ini"));
    EXPECT_EQ(Questions(), 0u);
    EXPECT_EQ(Stored(kAppKey, "VERSION"), 0u);
    EXPECT_EQ(Stored(kAppKey, "BADWORD"), 0u);
}

TEST_F(LiveUpdateCheck, DifferingWordListIsFetchedWholeOrNotAtAll) {
    std::string list(100000, '\0');
    for (size_t i = 0; i < list.size(); ++i) list[i] = static_cast<char>(i % 251);
    test::WriteFile(folder_ / "badword.db", "old list");
    Publish("[MAIN]\nBADWORD=4\n");
    host_.Serve("patchdata/badword.db", list, CScriptedWebHost::Trick::kCutBody);
    EXPECT_EQ(Check(), UpdateOutcome::kNone);
    EXPECT_EQ(test::ReadFile(folder_ / "badword.db"), "old list");
    EXPECT_EQ(Stored(kAppKey, "BADWORD"), 0u);

    // A lower number counts too: the service may roll back.
    registry_.WriteDword(kAppKey, "BADWORD", 9);
    host_.Serve("patchdata/badword.db", list);
    EXPECT_EQ(Check(), UpdateOutcome::kNone);
    EXPECT_EQ(test::ReadFile(folder_ / "badword.db"), list);
    EXPECT_EQ(Stored(kAppKey, "BADWORD"), 4u);
    EXPECT_FALSE(fs::exists(folder_ / "update.ini"));
    EXPECT_EQ(Questions(), 0u);
}

// The shared filter keeps the list it opened until the next start; a filter
// opened afterwards, as each search word's is, reads the new one.
TEST_F(LiveUpdateCheck, WordListIsReplacedUnderAFilterThatHasItOpen) {
    auto makeList = [](const fs::path& file, const char* word) {
        ASSERT_TRUE(CreateBadwordFile(file));
        CSqliteDatabase list;
        ASSERT_TRUE(list.Open(file, CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(list.Execute(std::string("INSERT INTO badword VALUES ('") + word + "', 'x')"));
    };
    makeList(folder_ / "badword.db", "oldword");
    makeList(folder_ / "new.db", "newword");
    CBadWordFilter shared(folder_ / "badword.db");
    ASSERT_TRUE(shared.IsRestrictedName("oldword", false));
    Publish("[MAIN]\nBADWORD=2\n");
    host_.Serve("patchdata/badword.db", test::ReadFile(folder_ / "new.db"));
    EXPECT_EQ(Check(), UpdateOutcome::kNone);
    EXPECT_EQ(Stored(kAppKey, "BADWORD"), 2u);
    EXPECT_TRUE(shared.IsRestrictedName("oldword", false));
    EXPECT_FALSE(shared.IsRestrictedName("newword", false));
    CBadWordFilter fresh(folder_ / "badword.db");
    EXPECT_TRUE(fresh.CheckSearchWord("newword"));
    EXPECT_FALSE(fresh.CheckSearchWord("oldword"));
}

TEST_F(LiveUpdateCheck, NewClientFetchesTheUpdaterOnceAndAsksAtEveryCheck) {
    Publish("[MAIN]\nVERSION=2\nPATCHER_VERSION=3\n");
    host_.Serve("patchdata/update.exe", "#!/bin/sh\n");
    ui_.answer = false;
    EXPECT_EQ(Check(), UpdateOutcome::kDeclined);
    EXPECT_EQ(test::ReadFile(folder_ / "update.exe"), "#!/bin/sh\n");
    EXPECT_EQ(Stored(kPatcherKey, "VERSION"), 3u);
    EXPECT_EQ(Stored(kAppKey, "VERSION"), 0u);
    EXPECT_EQ(ui_.Messages(),
              std::vector<std::string>{std::string("? ") + live_update_text::kAskUpdate});
    EXPECT_FALSE(fs::exists(folder_ / "update.ini"));

    // Same updater version and the file present: kept, and the question returns.
    EXPECT_EQ(Check(), UpdateOutcome::kDeclined);
    EXPECT_EQ(Questions(), 2u);
    std::vector<std::string> requested = host_.Requested();
    EXPECT_EQ(std::count(requested.begin(), requested.end(), "patchdata/update.exe"), 1);

    ui_.answer = true;
    EXPECT_EQ(Check(), UpdateOutcome::kUpdaterRun);
    ASSERT_EQ(started_.size(), 1u);
    EXPECT_EQ(started_[0], folder_ / "update.exe");
}

TEST_F(LiveUpdateCheck, UpdaterThatCannotBeFetchedStillAsks) {
    Publish("[MAIN]\nVERSION=2\nPATCHER_VERSION=3\n");
    test::WriteFile(folder_ / "update.exe", "older updater");
    ui_.answer = false;
    EXPECT_EQ(Check(), UpdateOutcome::kDeclined);
    EXPECT_EQ(Questions(), 1u);
    EXPECT_EQ(Stored(kPatcherKey, "VERSION"), 0u);
    EXPECT_EQ(test::ReadFile(folder_ / "update.exe"), "older updater");
}

TEST_F(LiveUpdateCheck, HostThatRefusesCostsNothingAndLeavesNoVersionFile) {
    test::WriteFile(folder_ / "update.ini", "[MAIN]\nVERSION=5\n");
    auto start = std::chrono::steady_clock::now();
    // Port 1 on loopback: nothing listens there.
    EXPECT_EQ(Check("http://127.0.0.1:1/"), UpdateOutcome::kNone);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(fs::exists(folder_ / "update.ini"));
    EXPECT_EQ(Questions(), 0u);
}

TEST(LiveUpdate, UpdaterStartsInItsFolderWithParent) {
    test::CTempFolder folder;
    fs::path updater = folder / "update.exe";
    test::WriteFile(updater, "#!/bin/sh\necho \"$1 $(pwd)\" > ran.part && mv ran.part ran\n");
    ASSERT_TRUE(StartUpdater(updater));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(folder / "ran") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(test::ReadFile(folder / "ran"),
              "/parent " + fs::canonical(folder.Path()).string() + "\n");
    EXPECT_FALSE(StartUpdater(folder / "missing.exe"));
}

}  // namespace
}  // namespace velorin
