#include "views/friend_dialog.h"

#include <gtest/gtest.h>

#include "support/recording_ui.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using Texts = std::vector<std::string>;
constexpr MemberList kFriends = MemberList::kFriends;
constexpr MemberList kBlack = MemberList::kBlack;

class FriendDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CShareDatabase::CreateFile(dir / "velorin.dat"));
        ASSERT_TRUE(db.Open(dir / "velorin.dat"));
    }
    CFriendDialog Dialog() {
        return CFriendDialog({db, ui, [this] { ++ended; }});
    }

    test::CTempFolder dir;
    CShareDatabase db;
    test::CRecordingUserInterface ui;
    int ended = 0;
};

TEST_F(FriendDialogTest, EachListRefusesWithItsOwnTexts) {
    CFriendDialog dialog = Dialog();
    struct Case {
        MemberList list;
        std::function<PageRefusal(CFriendDialog&)> step;
        const char* text;  // nullptr: done
    } cases[] = {
        {kFriends, [](auto& d) { return d.Delete(kFriends); }, share_text::kListEmpty},
        {kBlack, [](auto& d) { return d.Delete(kBlack); }, share_text::kListEmpty},
        {kFriends,
         [](auto& d) {
             return d.Add(kFriends, {"  ", "x"});
         },
         share_text::kEnterId},
        {kFriends,
         [](auto& d) {
             return d.Add(kFriends, {std::string(21, 'i'), ""});
         },
         share_text::kLongId},
        {kFriends,
         [](auto& d) {
             return d.Add(kFriends, {"kim", std::string(51, 'd')});
         },
         share_text::kLongDescription},
        {kFriends,
         [](auto& d) {
             return d.Add(kFriends, {"kim", "it's \"kim\""});
         },
         nullptr},
        {kFriends,
         [](auto& d) {
             return d.Add(kFriends, {"KIM", ""});
         },
         share_text::kIdExists},
        {kFriends,
         [](auto& d) {
             return d.AddFromElsewhere(kFriends, {"kim", ""});
         },
         share_text::kIdExists},
        {kBlack,
         [](auto& d) {
             return d.AddFromElsewhere(kBlack, {"spam", ""});
         },
         nullptr},
        {kBlack,
         [](auto& d) {
             return d.AddFromElsewhere(kBlack, {"spam", ""});
         },
         share_text::kIdExistsFromOutside},
        {kBlack,
         [](auto& d) {
             return d.Add(kBlack, {"spam", ""});
         },
         share_text::kIdExists},
        {kFriends, [](auto& d) { return d.Delete(kFriends); }, share_text::kSelectFriendToDelete},
        {kBlack, [](auto& d) { return d.Delete(kBlack); }, share_text::kSelectId},
        {kFriends,
         [](auto& d) {
             return d.Change(kFriends, {"lee", ""});
         },
         share_text::kSelectId},
    };
    Texts expected;
    for (const Case& c : cases) {
        PageRefusal answer = c.step(dialog);
        EXPECT_EQ(answer, c.text ? std::optional<std::string>(c.text) : std::nullopt)
            << expected.size();
        if (c.text) expected.push_back(c.text);
    }
    EXPECT_EQ(ui.Messages(), expected);
    ASSERT_EQ(dialog.Rows(kFriends).size(), 1u);
    EXPECT_EQ(dialog.Rows(kFriends)[0].desc, "it's \"kim\"");
    ASSERT_EQ(dialog.Rows(kBlack).size(), 1u);
}

TEST_F(FriendDialogTest, ChangesAndDeletesReachTheStore) {
    CFriendDialog dialog = Dialog();
    ASSERT_EQ(dialog.Add(kFriends, {"kim", "a"}), std::nullopt);
    ASSERT_EQ(dialog.Add(kFriends, {"lee", "b"}), std::nullopt);
    ASSERT_EQ(dialog.Add(kBlack, {"spam", "c"}), std::nullopt);
    // A new ID already listed changes only the old row's description.
    dialog.Select(kFriends, dialog.Find(kFriends, "lee"));
    MemberDialogFields fields;
    ASSERT_EQ(dialog.BeginChange(kFriends, fields), std::nullopt);
    EXPECT_EQ(fields.desc, "b");
    ASSERT_EQ(dialog.Change(kFriends, {"kim", "new"}), std::nullopt);
    std::vector<MemberRow> rows;
    ASSERT_TRUE(db.ListFriends(rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].id, "lee");
    EXPECT_EQ(rows[1].desc, "new");

    dialog.Select(kBlack, 0);
    ASSERT_EQ(dialog.Change(kBlack, {"troll", "c"}), std::nullopt);
    bool listed = false;
    ASSERT_TRUE(db.IsBlacklisted(listed, "troll"));
    EXPECT_TRUE(listed);
    dialog.Select(kBlack, 0);
    ASSERT_EQ(dialog.Delete(kBlack), std::nullopt);
    ASSERT_TRUE(db.IsBlacklisted(listed, "troll"));
    EXPECT_FALSE(listed);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(FriendDialogTest, FailuresEndTheProcessAfterTheirTexts) {
    ASSERT_EQ(Dialog().Add(kFriends, {"kim", ""}), std::nullopt);
    ASSERT_EQ(Dialog().Add(kBlack, {"spam", ""}), std::nullopt);
    CFriendDialog dialog = Dialog();
    db.Close();
    auto selected = [&dialog](MemberList list) {
        dialog.Select(list, 0);
        return &dialog;
    };
    struct Case {
        std::function<PageRefusal()> step;
        const char* text;
    } cases[] = {
        {[&] {
             return dialog.Add(kFriends, {"a", ""});
         },
         "치맹적인"},
        {[&] {
             return dialog.AddFromElsewhere(kFriends, {"a", ""});
         },
         "치맹적인 에러"},
        {[&] { return selected(kFriends)->Delete(kFriends); }, "치명적인 에라"},
        {[&] {
             return selected(kFriends)->Change(kFriends, {"b", ""});
         },
         "치명적인 에러"},
        {[&] {
             return dialog.Add(kBlack, {"a", ""});
         },
         "치맹적인 에러"},
        {[&] {
             return dialog.AddFromElsewhere(kBlack, {"a", ""});
         },
         "치맹적인 에러"},
        {[&] { return selected(kBlack)->Delete(kBlack); }, "치명적인 에러"},
        {[&] {
             return selected(kBlack)->Change(kBlack, {"b", ""});
         },
         "치명적인 에러"},
    };
    Texts expected;
    for (const Case& c : cases) {
        EXPECT_EQ(c.step(), std::string(c.text));
        expected.push_back(c.text);
    }
    EXPECT_EQ(ui.Messages(), expected);
    EXPECT_EQ(ended, 8);
}

}  // namespace
}  // namespace velorin
