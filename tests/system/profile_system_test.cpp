// A member who has nothing but velorind: the profile is made from nothing by
// words (a share, a grant, a friend, a black-listed member, the settings),
// the sign-in goes through the dialog's word, and other members meet all of
// it, at once and after a restart.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/eventually.h"
#include "support/loopback.h"
#include "support/temp_folder.h"
#include "system_fixture.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;
using test::Has;
using test::kListed;
using test::kOnline;
namespace fs = std::filesystem;

class ProfileSystem : public test::SystemFixture {
protected:
    void Word(std::vector<std::string> words) {
        auto result = Send("carol", words);
        EXPECT_EQ(result.exitCode, 0) << words[0] << ": " << result.output;
    }
};

TEST_F(ProfileSystem, WordsAloneMakeAProfileThatOtherMembersMeet) {
    ASSERT_TRUE(AddMember("carol", "carol-pw", 100));
    ASSERT_TRUE(AddMember("bob", "bob-pw", 100));
    ASSERT_TRUE(AddMember("mallory", "mallory-pw", 100));
    ASSERT_TRUE(StartCentral(true));
    fs::create_directories(dir / "music");
    test::WriteFile(dir / "music" / "song.mp3", "la la la");

    auto carol = RunMember("carol");
    ASSERT_TRUE(
        test::Eventually([&] { return Send("carol", {"settings"}).exitCode == 0; }, 20s, 100ms))
        << carol->Output();
    EXPECT_TRUE(Has(Send("carol", {"shares"}).output, "\"folders\": []"));
    Word({"set", "LISTENPORT", std::to_string(test::FreeUdpPort())});
    Word({"set", "ServerName", "carol's", "music"});
    Word({"share-add", "music", (dir / "music" / ".").string() + "/", "my", "'best'", "songs"});
    Word({"grant", "music", "bob", "d", "a friend"});
    Word({"friend-add", "bob", "best friend"});
    Word({"black-add", "mallory", "spam"});
    auto refused = Send("carol", {"share-add", "again", (dir / "music").string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.output, "이미 다른 폴더명으로 공유하고 있는 폴더입니다."))
        << refused.output;

    auto shares = Send("carol", {"shares"}).output;
    EXPECT_TRUE(Has(shares, "\"path\": \"" + (dir / "music").string() + "\"")) << shares;
    EXPECT_TRUE(Has(shares, "\"description\": \"my 'best' songs\"")) << shares;
    // Download without browse is stored with browse.
    EXPECT_TRUE(
        Has(shares, "{\"id\": \"bob\", \"rights\": 3, \"rightsText\": \"탐색 다운 ---- ---- \""))
        << shares;
    EXPECT_TRUE(Has(carol->Output(), "다운로드 권한 선택시 목록보기 권한도 함께 부여됩니다."));

    Word({"signin-dialog", "carol", "carol-pw", "--save", "--auto"});
    ASSERT_TRUE(carol->WaitForOutput(kOnline, 20s)) << carol->Output();

    auto bob = StartMember("bob", "bob-pw", test::FreeUdpPort());
    auto mallory = StartMember("mallory", "mallory-pw", test::FreeUdpPort());
    ASSERT_TRUE(bob->WaitForOutput(kListed, 20s)) << bob->Output();
    ASSERT_TRUE(mallory->WaitForOutput(kListed, 20s)) << mallory->Output();
    auto listing = Send("bob", {"browse", "carol", "\\music"});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_TRUE(Has(listing.output, "\"song.mp3\"")) << listing.output;
    auto blocked = Send("mallory", {"browse", "carol"});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_TRUE(Has(blocked.output, "접근거부")) << blocked.output;

    // Struck off the black list, the member is let in at the next sign-on, and
    // is put back from the visitors list.
    Word({"black-remove", "mallory"});
    EXPECT_EQ(Send("mallory", {"browse", "carol"}).exitCode, 0);
    std::string visitors;
    ASSERT_TRUE(test::Eventually(
        [&] { return Has(visitors = Send("carol", {"visitors"}).output, "\"mallory\""); }, 10s,
        100ms));
    size_t list = visitors.find("\"visitors\": [");
    size_t at = visitors.find("\"mallory\"");
    std::string row =
        std::to_string(1 + std::count(visitors.begin() + list, visitors.begin() + at, ','));
    Word({"black-add-from", "visitors", row});
    auto again = Send("carol", {"black-add-from", "visitors", row});
    EXPECT_TRUE(Has(again.output, "\"error\": \"등록된 아이디입니다.\"")) << again.output;

    // Everything is in the profile for the next start, which signs in by itself.
    Word({"quit"});
    ASSERT_EQ(carol->Wait(20s), std::optional<int>(1));
    carol = RunMember("carol", "carol-again");
    ASSERT_TRUE(carol->WaitForOutput(kOnline, 20s)) << carol->Output();
    EXPECT_EQ(Send("carol", {"shares"}).output, shares);
    auto settings = Send("carol", {"settings"}).output;
    EXPECT_TRUE(Has(settings, "\"ServerName\": \"carol's music\"")) << settings;
    EXPECT_TRUE(Has(Send("carol", {"friends"}).output,
                    "{\"id\": \"bob\", \"description\": \"best friend\"}"));
    EXPECT_TRUE(Has(Send("carol", {"blacklist"}).output,
                    "\"blacklist\": [{\"id\": \"mallory\", \"description\": \"\"}]"));
}

}  // namespace
}  // namespace velorin
