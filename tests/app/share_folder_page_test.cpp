#include "views/share_folder_page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/json.h"
#include "support/process_fixture.h"
#include "support/recording_ui.h"
#include "support/run_word.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class ShareFolderPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CShareDatabase::CreateFile(dir / "velorin.dat"));
        ASSERT_TRUE(db.Open(dir / "velorin.dat"));
        fs::create_directories(dir / "music");
        fs::create_directories(dir / "films");
        test::WriteFile(dir / "file", "f");
    }
    CShareFolderPage Page() {
        return CShareFolderPage({db, ui, [this] { ++ended; }});
    }
    std::string Path(const char* name) { return (dir / name).string(); }
    // A page with "music" shared and current.
    CShareFolderPage Shared() {
        CShareFolderPage page = Page();
        EXPECT_EQ(page.AddFolder({"music", Path("music"), "songs"}), std::nullopt);
        return page;
    }
    GrantDialogFields Grant(const std::string& id, GrantBoxes boxes) {
        return GrantDialogFields{id, "", boxes, false};
    }

    test::CTempFolder dir;
    CShareDatabase db;
    test::CRecordingUserInterface ui;
    int ended = 0;
};

TEST_F(ShareFolderPageTest, RefusedFolderInputIsShownAndWritesNothing) {
    CShareFolderPage page = Shared();
    std::string longPath = "/" + std::string(255, 'p');
    struct Case {
        FolderDialogFields fields;
        const char* text;
    } cases[] = {
        {{"a\\b", Path("films"), ""}, share_text::kNameHasBackslash},
        {{"   ", Path("films"), ""}, share_text::kNameOrPathMissing},
        {{"films", "", ""}, share_text::kNameOrPathMissing},
        {{std::string(21, 'n'), Path("films"), ""}, share_text::kLongFolderName},
        {{"가나다라마바사아자차카", Path("films"), ""}, share_text::kLongFolderName},
        {{"films", Path("films"), std::string(51, 'd')}, share_text::kLongDescription},
        {{"films", Path("films"), "two\nlines"}, share_text::kNotOneLine},
        {{"films \xF0\x9F\x8E\xAC", Path("films"), ""}, share_text::kUnwritableText},
        {{"films", "films", ""}, share_text::kPathNotAbsolute},
        {{"films", longPath, ""}, share_text::kLongPath},
        {{"films", Path("missing"), ""}, share_text::kPathMissing},
        {{"films", Path("file"), ""}, share_text::kPathIsFile},
        {{"again", Path("music") + "/./", ""}, share_text::kPathShared},
        {{"MUSIC", Path("films"), ""}, share_text::kFolderNotAdded},
    };
    Texts expected;
    for (const Case& c : cases) {
        EXPECT_EQ(page.AddFolder(c.fields), std::string(c.text)) << c.fields.name;
        expected.push_back(c.text);
    }
    EXPECT_EQ(ui.Messages(), expected);
    std::vector<ShareFolderRow> stored;
    ASSERT_TRUE(db.ListShareFolders(stored));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].path, Path("music"));
    EXPECT_EQ(ended, 0);
}

TEST_F(ShareFolderPageTest, AnUnreadableFolderIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    chmod(Path("films").c_str(), 0);
    EXPECT_EQ(Page().AddFolder({"films", Path("films"), ""}),
              std::string(share_text::kPathUnreadable));
    chmod(Path("films").c_str(), 0700);
}

TEST_F(ShareFolderPageTest, FoldersAreStoredNormalisedAndRenamesCarryTheirGrants) {
    CShareFolderPage page = Page();
    EXPECT_EQ(page.AddFolder({"  it's  ", Path("music") + "//./", "O'Brien \"best\""}),
              std::nullopt);
    ASSERT_EQ(page.CurrentFolder(), std::optional<size_t>(0));
    EXPECT_EQ(page.Folders()[0].name, "it's");
    EXPECT_EQ(page.Folders()[0].path, Path("music"));
    EXPECT_EQ(page.Folders()[0].desc, "O'Brien \"best\"");
    ASSERT_EQ(page.Grants().size(), 1u);
    EXPECT_EQ(page.Grants()[0].user, kEveryone);
    EXPECT_EQ(page.Grants()[0].permission, kNewFolderPermission);

    page.SelectGrant(0);
    GrantDialogFields grant;
    EXPECT_EQ(page.BeginAddGrant(grant), std::nullopt);
    EXPECT_EQ(page.AddGrant(Grant("kim", {true, false, false, false})), std::nullopt);
    FolderDialogFields fields;
    EXPECT_EQ(page.BeginChangeFolder(fields), std::nullopt);
    EXPECT_EQ(fields.name, "it's");
    fields.name = "songs";
    fields.path = Path("films");
    EXPECT_EQ(page.ChangeFolder(fields), std::nullopt);
    ASSERT_EQ(page.CurrentFolder(), std::optional<size_t>(0));
    EXPECT_EQ(page.Folders()[0].name, "songs");
    EXPECT_EQ(page.Grants().size(), 2u);
    std::vector<PermissionRow> old;
    ASSERT_TRUE(db.ListPermissions("it's", old));
    EXPECT_TRUE(old.empty());

    // A local path is never sent to other members: any character is kept.
    fs::path odd = dir / "a \\ \"b\" \xF0\x9F\x8E\xB5";
    fs::create_directories(odd);
    EXPECT_EQ(page.AddFolder({"odd", odd.string(), ""}), std::nullopt);
    EXPECT_EQ(page.Folders()[1].path, odd.string());
    // A taken name keeps the folder's own; the changed folder stays the current one.
    EXPECT_EQ(page.ChangeFolder({"SONGS", odd.string(), "new"}), std::nullopt);
    ASSERT_EQ(page.CurrentFolder(), std::optional<size_t>(1));
    EXPECT_EQ(page.Folders()[1].name, "odd");
    EXPECT_EQ(page.Folders()[1].desc, "new");
    page.SelectFolder(0);

    ui.answer = false;
    EXPECT_EQ(page.DeleteFolder(), std::string(share_text::kConfirmDeleteFolder));
    EXPECT_EQ(page.Folders().size(), 2u);
    ui.answer = true;
    EXPECT_EQ(page.DeleteFolder(), std::nullopt);
    EXPECT_EQ(page.Folders().size(), 1u);
    EXPECT_TRUE(page.Grants().empty());
    EXPECT_EQ(page.DeleteFolder(), std::string(share_text::kSelectFolderToDelete));
    EXPECT_EQ(ui.Messages(), (Texts{"? " + std::string(share_text::kConfirmDeleteFolder),
                                    "? " + std::string(share_text::kConfirmDeleteFolder),
                                    share_text::kSelectFolderToDelete}));
}

TEST_F(ShareFolderPageTest, GrantsFollowTheDialogsRulesAndTexts) {
    CShareFolderPage none = Page();
    GrantDialogFields fields;
    EXPECT_EQ(none.BeginAddGrant(fields), std::string(share_text::kSelectFolderForGrant));
    CShareFolderPage page = Shared();
    // Download alone is stored with browse.
    EXPECT_EQ(page.AddGrant(Grant(" kim ", {false, true, false, true})), std::nullopt);
    EXPECT_EQ(page.AddGrant(Grant("KIM", {true, false, false, false})),
              std::string(share_text::kGrantExists));
    EXPECT_EQ(page.AddGrant(Grant("", {true, false, false, false})),
              std::string(share_text::kEnterId));
    EXPECT_EQ(page.ChangeGrant(fields), std::string(share_text::kSelectGrantToChange));
    EXPECT_EQ(page.RemoveGrant(), std::string(share_text::kSelectGrantToRemove));
    ASSERT_EQ(page.Grants().size(), 2u);
    EXPECT_EQ(page.Grants()[1].permission, 11u);
    EXPECT_EQ(PermissionText(page.Grants()[1].permission), "탐색 다운 ---- 성인 ");

    page.SelectGrant(page.FindGrant("kim"));
    EXPECT_EQ(page.BeginChangeGrant(fields), std::nullopt);
    EXPECT_TRUE(fields.boxes.adult && fields.boxes.browse && !fields.boxes.upload);
    fields.boxes = {false, true, true, false};
    EXPECT_EQ(page.ChangeGrant(fields), std::nullopt);
    EXPECT_EQ(page.Grants()[1].permission, 7u);
    // Two rows for one member would leave the member's rights to chance.
    page.SelectGrant(1);
    fields.boxes.browse = true;
    fields.SetEveryone(true);
    EXPECT_EQ(page.ChangeGrant(fields), std::string(share_text::kGrantExists));

    page.SelectGrant(0);
    EXPECT_EQ(page.RemoveGrant(), std::nullopt);
    ASSERT_EQ(page.Grants().size(), 1u);
    page.SelectGrant(0);
    EXPECT_EQ(page.RemoveGrant(), std::string(share_text::kLastGrant));
    EXPECT_EQ(ui.Messages(),
              (Texts{share_text::kSelectFolderForGrant, share_text::kDownloadImpliesBrowseOnAdd,
                     share_text::kGrantExists, share_text::kEnterId,
                     share_text::kSelectGrantToChange, share_text::kSelectGrantToRemove,
                     share_text::kDownloadImpliesBrowseOnChange, share_text::kGrantExists,
                     "? " + std::string(share_text::kConfirmRemoveGrant), share_text::kLastGrant}));
}

TEST_F(ShareFolderPageTest, AFailedOperationShowsTheFatalTextAndEndsTheProcess) {
    CShareFolderPage page = Shared();
    page.SelectGrant(0);
    db.Close();
    GrantDialogFields grant = Grant("kim", {true, false, false, false});
    EXPECT_EQ(page.AddFolder({"films", Path("films"), ""}), std::string(share_text::kBroken));
    EXPECT_EQ(page.AddGrant(grant), std::string(share_text::kBroken));
    EXPECT_EQ(page.ChangeGrant(grant), std::string(share_text::kBroken));
    EXPECT_EQ(page.DeleteFolder(), std::string(share_text::kBroken));
    EXPECT_EQ(ended, 4);
}

class ShareWordsTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        StartProcess();
        fs::create_directories(dir / "music");
    }
    ControlAnswer Run(std::vector<std::string> args) {
        return test::RunWord(process->Commands(), process->Queue(), std::move(args));
    }
    std::string Text(std::vector<std::string> args) { return Run(std::move(args)).json; }
};

TEST_F(ShareWordsTest, WordsDriveThePageAndAnswerWhatTheListsHold) {
    std::string music = (dir / "music").string();
    EXPECT_EQ(Run({"share-add", "music", music, "my", "songs"}).status, ControlAnswer::kDone);
    EXPECT_EQ(Run({"grant", "music", "kim", "2", "a", "friend"}).status, ControlAnswer::kDone);
    EXPECT_EQ(Run({"grant", "music", "lee", "bua"}).status, ControlAnswer::kDone);
    EXPECT_EQ(Run({"grant-change", "music", "lee", "park", "0"}).status, ControlAnswer::kDone);
    EXPECT_EQ(Run({"share-change", "music", "tunes", music}).status, ControlAnswer::kDone);
    EXPECT_EQ(Text({"shares"}),
              "{\"ok\": true, \"folders\": [{\"name\": \"tunes\", \"path\": \"" + music +
                  "\", \"description\": \"my songs\", \"grants\": ["
                  "{\"id\": \"[all]\", \"rights\": 3, \"rightsText\": \"탐색 다운 ---- ---- \", "
                  "\"description\": \"공유폴더\"}, "
                  "{\"id\": \"kim\", \"rights\": 3, \"rightsText\": \"탐색 다운 ---- ---- \", "
                  "\"description\": \"a friend\"}, "
                  "{\"id\": \"park\", \"rights\": 0, \"rightsText\": \"---- ---- ---- ---- \", "
                  "\"description\": \"\"}]}]}");

    struct Case {
        std::vector<std::string> args;
        std::string error;
    } refused[] = {
        {{"grant", "tunes", "kim", "16"}, "RIGHTS is 0-15 or letters of bdua: 16"},
        {{"grant", "tunes", "kim", "bx"}, "RIGHTS is 0-15 or letters of bdua: bx"},
        {{"grant", "nowhere", "kim", "b"}, share_text::kSelectFolderForGrant},
        {{"grant-remove", "tunes", "nobody"}, share_text::kSelectGrantToRemove},
        {{"share-change", "nowhere", "x", music}, share_text::kSelectFolderToChange},
        {{"share-remove", "nowhere"}, share_text::kSelectFolderToDelete},
        {{"share-add", "x"}, "usage: share-add NAME PATH [DESCRIPTION]"},
    };
    for (const Case& c : refused) {
        ControlAnswer answer = Run(c.args);
        EXPECT_EQ(answer.status, ControlAnswer::kRefused) << c.args[0];
        EXPECT_EQ(answer.json, CJsonObject().Add("error", c.error).Text());
    }
    EXPECT_EQ(Run({"grant-remove", "tunes", "kim"}).status, ControlAnswer::kDone);
    EXPECT_EQ(Run({"share-remove", "tunes"}).status, ControlAnswer::kDone);
    EXPECT_EQ(Text({"shares"}), "{\"ok\": true, \"folders\": []}");
}

TEST_F(ShareWordsTest, AFailedOperationEndsTheLoopWith255) {
    process->ShareDatabase().Close();
    EXPECT_EQ(Run({"friend-add", "kim"}).json,
              CJsonObject().Add("error", share_text::kFriendAddFailed).Text());
    EXPECT_TRUE(process->Queue().QuitRequested());
    EXPECT_EQ(process->Queue().Run(), kExitFatal);
}

}  // namespace
}  // namespace velorin
