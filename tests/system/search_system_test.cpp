// A member searches all members' shares, downloads an answer and is refused a
// name with a listed word. Real velorin-central and velorind processes.
#include <gtest/gtest.h>

#include <regex>

#include "platform/sqlite_database.h"
#include "support/eventually.h"
#include "support/loopback.h"
#include "system_fixture.h"
#include "views/search_view.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::kListed;
using test::kOnline;

// The number of the row that lists `name` in a search answer, 0 without one.
int RowOf(const std::string& json, const std::string& name) {
    std::smatch match;
    std::regex pattern("\"row\": ([0-9]+), \"name\": \"" +
                       std::regex_replace(name, std::regex(R"([*.])"), R"(\$&)") + "\"");
    return std::regex_search(json, match, pattern) ? std::stoi(match[1]) : 0;
}

class SearchSystem : public test::SystemFixture {};

TEST_F(SearchSystem, AMemberFindsAnotherMembersFileAndDownloadsItFromTheAnswers) {
    ASSERT_TRUE(AddMember("alice", "alice-pw", 100));
    ASSERT_TRUE(AddMember("bob", "bob-pw", 100));
    ASSERT_TRUE(StartCentral(true));
    fs::create_directories(dir / "alice-shared/live");
    fs::create_directories(dir / "bob-shared");
    test::WriteFile(dir / "alice-shared/live/river song.mp3", std::string(70000, 'r'));
    test::WriteFile(dir / "alice-shared/warez song.mp3", "w");
    SeedMember("alice", "alice-pw", test::FreeUdpPort());
    SeedMember("bob", "bob-pw", test::FreeUdpPort());
    {
        CSqliteDatabase words;
        ASSERT_TRUE(words.Open(dir / "bob/badword.db", CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(words.Execute("INSERT INTO badword VALUES ('warez', '저작권협회')"));
    }
    fs::path downloads = dir / "downloads";
    SetDownloadPath("bob", downloads);

    auto alice = RunMember("alice");
    ASSERT_TRUE(alice->WaitForOutput(kOnline, 20s)) << alice->Output();
    auto bob = RunMember("bob");
    ASSERT_TRUE(bob->WaitForOutput(kListed, 20s)) << bob->Output();

    auto found = Send("bob", {"search", "song"});
    ASSERT_EQ(found.exitCode, 0) << found.output << bob->Output();
    int river = RowOf(found.output, "river song.mp3");
    int listed = RowOf(found.output, "***** song.mp3");
    ASSERT_NE(river, 0) << found.output;
    ASSERT_NE(listed, 0) << found.output;
    EXPECT_NE(found.output.find("\"path\": \"\\\\alice-shared\\\\live\", \"size\": 70000, "
                                "\"id\": \"alice\", \"ping\": "),
              std::string::npos)
        << found.output;

    auto reserved = Send("bob", {"search-download", std::to_string(river)});
    ASSERT_EQ(reserved.exitCode, 0) << reserved.output;
    EXPECT_TRUE(test::Eventually(
        [&] { return test::ReadFile(downloads / "river song.mp3").size() == 70000; }, 30s, 50ms))
        << Send("bob", {"transfers", "alice"}).output;

    auto refused = Send("bob", {"search-download", std::to_string(listed)});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find(search_view_text::kMasked), std::string::npos) << refused.output;
    EXPECT_TRUE(bob->WaitForOutput(search_view_text::kMasked, 5s));
    EXPECT_EQ(Send("bob", {"transfers", "alice"}).output.find("warez"), std::string::npos);
}

}  // namespace
}  // namespace velorin
