#include "fileserver/search_robot.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "fileserver/search_datagram.h"
#include "fileserver/search_query.h"
#include "fileserver_fixture.h"
#include "net/payload.h"
#include "platform/text_encoding.h"
#include "support/eventually.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Eventually;

std::string RawQuery(uint16_t magic, const std::string& time, uint16_t t, uint16_t e,
                     const std::string& body) {
    CPayloadWriter w;
    w.U16(magic).Bytes(time).U16(t).U16(e).Bytes(body);
    return w.Take();
}

class SearchRobotTest : public test::ShareFixture {
protected:
    void SetUp() override {
        ShareFixture::SetUp();
        Publish("Share", "share");
        Write("share/probe.txt", "p");
        Populate();
        ASSERT_TRUE(socket.Open(0));
        ASSERT_TRUE(robot.OpenIndex());
        ASSERT_TRUE(robot.Start("searcher"));
        ASSERT_TRUE(Eventually([&] { return robot.Rebuilds() >= 1; }));
        ASSERT_TRUE(asker.Open(0));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = socket.LocalPort();
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        asker.SetPeer(to);
        asker.SetNonBlocking(true);
    }
    void TearDown() override { robot.Stop(); }
    virtual void Populate() {}

    std::string NextTime() {
        std::string time(kSearchTimeSize, '\0');
        uint32_t n = ++sent;
        for (int i = 0; i < 4; ++i) time[4 + i] = static_cast<char>(n >> (8 * i));
        return time;
    }
    void Send(const std::string& datagram) {
        sockaddr_in robotAddress = asker.Peer();
        asker.SendTo(datagram.data(), datagram.size());
        asker.SetPeer(robotAddress);
    }
    // The answers to `datagram`: a probe query follows it, and the robot answers
    // in order, so once the probe's answer is back nothing more can come.
    std::vector<std::string> Ask(const std::string& datagram, const std::string& time) {
        Send(datagram);
        SearchQuery probe{NextTime(), "probe", ""};
        Send(EncodeSearchQuery(probe));
        std::vector<std::string> answers;
        char buffer[2048];
        bool probed = Eventually(
            [&] {
                sockaddr_in robotAddress = asker.Peer();
                int n = asker.ReceiveFrom(buffer, sizeof buffer);
                asker.SetPeer(robotAddress);
                if (n <= 0) return false;
                std::string bytes(buffer, static_cast<size_t>(n));
                std::optional<SearchAnswer> answer = DecodeSearchAnswer(bytes);
                if (answer && answer->sendTime == probe.sendTime) return true;
                if (answer && answer->sendTime == time) answers.push_back(bytes);
                return false;
            },
            10s, 1ms);
        EXPECT_TRUE(probed) << "the robot stopped answering";
        return answers;
    }
    std::set<std::string> Names(const std::string& term, const std::string& ext = "") {
        SearchQuery query{NextTime(), term, ext};
        std::set<std::string> names;
        for (const std::string& bytes : Ask(EncodeSearchQuery(query), query.sendTime)) {
            names.insert(DecodeSearchAnswer(bytes)->name);
        }
        return names;
    }

    CManualClock clock;
    CUdpSocket socket;
    CSearchRobot robot{socket, db, clock};
    CUdpSocket asker;
    uint32_t sent = 0;
};

class SearchRobotAnswers : public SearchRobotTest {
protected:
    void Populate() override {
        for (const char* name :
             {"abc.txt", "def.txt", "ghi.txt", "other.txt", "SONG.MP3", "song.mp3", "song.ogg",
              "노래.mp3", ".secret.txt", "Albums/x.jpg"}) {
            Write(std::string("share/") + name, "12345");
        }
        for (int i = 0; i < 30; ++i) Write("share/track" + std::to_string(i) + ".wav", "");
        Write("elsewhere/escape.txt", "x");
        fs::create_symlink(Local("elsewhere/escape.txt"), Local("share/escape.txt"));
        fs::create_symlink(Local("elsewhere"), Local("share/escapedir"));
    }
};

TEST_F(SearchRobotAnswers, TermsAndExtensionsSelectTheRows) {
    struct Case {
        std::string term;
        std::string ext;
        std::set<std::string> names;
    } cases[] = {
        {"abc|def ghi", "", {"abc.txt", "def.txt", "ghi.txt"}},
        {"song", "mp3", {"SONG.MP3", "song.mp3"}},
        // No word is no search, not a match of every row.
        {" | |  |", "", {}},
        {"노래", "", {"노래.mp3"}},
        {"Albums", "", {"Albums"}},
        {"secret", "", {}},
        {"escape", "", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Names(c.term, c.ext), c.names) << c.term;
}

TEST_F(SearchRobotAnswers, TermLengthsOutsideTwoTo260GetNoAnswer) {
    struct Case {
        size_t length;
        bool answered;
    } cases[] = {{1, false}, {2, true}, {260, true}, {261, false}};
    for (const Case& c : cases) {
        // "ab" then blanks: every length names the same word, abc.txt.
        std::string term = c.length == 1 ? "a" : "ab" + std::string(c.length - 2, ' ');
        SearchQuery query{NextTime(), term, ""};
        EXPECT_EQ(Ask(EncodeSearchQuery(query), query.sendTime).size(), c.answered ? 1u : 0u)
            << c.length;
    }
    SearchQuery longExt{NextTime(), "abc", std::string(257, 'x')};
    EXPECT_TRUE(Ask(EncodeSearchQuery(longExt), longExt.sendTime).empty());
}

TEST_F(SearchRobotAnswers, AtMostTwentyAnswersPerQuery) {
    EXPECT_EQ(Names("track").size(), 20u);
}

TEST_F(SearchRobotAnswers, AnswerBytesCarryIdTimeRowAndCp949Texts) {
    SearchQuery query{NextTime(), "노래", "MP3"};
    std::vector<std::string> answers = Ask(EncodeSearchQuery(query), query.sendTime);
    ASSERT_EQ(answers.size(), 1u);
    std::string name = "\xB3\xEB\xB7\xA1.mp3";  // 노래.mp3 in CP949
    std::string expected = std::string("\x96\x72", 2) + "searcher" + std::string(12, '\0') +
                           query.sendTime + std::string("\x05\0\0\0\0\0\0\0", 8) +
                           std::string("\x08\0\x06\0\x03\0\0\0\0\0", 10) + name + "\\Share" + "MP3";
    EXPECT_EQ(answers[0], expected);

    SearchQuery folder{NextTime(), "Albums", ""};
    answers = Ask(EncodeSearchQuery(folder), folder.sendTime);
    ASSERT_EQ(answers.size(), 1u);
    std::optional<SearchAnswer> row = DecodeSearchAnswer(answers[0]);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->type, 1u);
    EXPECT_EQ(row->size, 0u);
    EXPECT_EQ(row->ext, "");
    EXPECT_EQ(row->path, "\\Share");
}

TEST_F(SearchRobotAnswers, MalformedDatagramsAreDroppedAndTheRobotGoesOn) {
    std::string time = NextTime();
    std::string good = RawQuery(kSearchMagic, time, 3, 0, "abc");
    std::string cases[] = {
        "",
        "\x96",
        RawQuery(0x7297, time, 3, 0, "abc"),
        good.substr(0, 21),
        good.substr(0, good.size() - 1),
        good + "x",
        RawQuery(kSearchMagic, time, 3, 2, "abc"),
        RawQuery(kSearchMagic, time, 0xFFFF, 0xFFFF, "abc"),
        RawQuery(kSearchMagic, time, 3, 0, "abc") + std::string(600, 'x'),
    };
    for (const std::string& datagram : cases) {
        EXPECT_TRUE(Ask(datagram, time).empty()) << datagram.size();
    }
    EXPECT_EQ(Ask(good, time).size(), 1u);
    EXPECT_TRUE(robot.Running());
}

TEST_F(SearchRobotTest, CurrentTermStartsWithTheRobotTextThenFollowsQueries) {
    robot.Stop();
    ASSERT_TRUE(socket.Open(0));
    ASSERT_TRUE(robot.Start("searcher"));
    EXPECT_EQ(robot.CurrentTerm(), kTextRobotStarting);
    sockaddr_in to = asker.Peer();
    to.sin_port = socket.LocalPort();
    asker.SetPeer(to);
    // Cut at 30 CP949 bytes: 14 double-byte characters, a blank, one letter.
    Send(EncodeSearchQuery({NextTime(), "가나다라마바사아자차카타파하 abc", ""}));
    EXPECT_TRUE(
        Eventually([&] { return robot.CurrentTerm() == "가나다라마바사아자차카타파하 a"; }));
}

TEST_F(SearchRobotTest, RebuildsOnRequestAndAfter7201Seconds) {
    Write("share/first.txt", "");
    EXPECT_TRUE(Names("first").empty());
    robot.RequestReindex();
    ASSERT_TRUE(Eventually([&] { return robot.Rebuilds() >= 2; }));
    EXPECT_EQ(Names("first").size(), 1u);

    Write("share/second.txt", "");
    clock.Advance(kReindexPeriod);
    ASSERT_TRUE(Eventually([&] { return robot.Rebuilds() >= 3; }));
    EXPECT_EQ(Names("second").size(), 1u);
}

TEST_F(SearchRobotTest, RequestDuringARebuildStartsAnotherAfterIt) {
    for (int i = 0; i < 9000; ++i) Write("share/bulk/f" + std::to_string(i), "");
    robot.RequestReindex();
    ASSERT_TRUE(Eventually([&] { return robot.Rebuilds() >= 2; }));
    // Catch a rebuild past its reading of the folder list; retried when one is too quick.
    uint32_t caught = 0;
    for (int attempt = 0; attempt < 50 && caught == 0; ++attempt) {
        uint32_t before = robot.Rebuilds();
        robot.RequestReindex();
        Eventually(
            [&] {
                uint32_t seen = robot.Index().EntriesSeen();
                if (robot.Rebuilding() && seen > 0 && seen < 5000) caught = before;
                return caught != 0 || robot.Rebuilds() > before;
            },
            10s);
        if (caught != 0) {
            bool exists = false;
            Write("late/late.txt", "");
            ASSERT_TRUE(db.AddShareFolder(exists, "Late", Local("late").string(), ""));
            robot.RequestReindex();
        }
    }
    ASSERT_NE(caught, 0u) << "no rebuild was seen running";
    ASSERT_TRUE(Eventually([&] { return robot.Rebuilds() >= caught + 2; }));
    EXPECT_EQ(Names("late").size(), 1u);
}

TEST_F(SearchRobotTest, StopEndsPromptlyWhileQueriesFloodIn) {
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        CUdpSocket sender;
        ASSERT_TRUE(sender.Open(0));
        sender.SetPeer(asker.Peer());
        std::string query = EncodeSearchQuery({std::string(16, '\0'), "probe", ""});
        while (flooding) sender.SendTo(query.data(), query.size());
    });
    std::this_thread::sleep_for(100ms);
    auto start = std::chrono::steady_clock::now();
    robot.Stop();
    auto took = std::chrono::steady_clock::now() - start;
    flooding = false;
    flood.join();
    EXPECT_FALSE(robot.Running());
    EXPECT_FALSE(socket.IsOpen());
    // Generous: proves the thread was not starved or hung, not a speed.
    EXPECT_LT(took, 2s);

    ASSERT_TRUE(socket.Open(0));
    ASSERT_TRUE(robot.Start("searcher"));
    sockaddr_in to = asker.Peer();
    to.sin_port = socket.LocalPort();
    asker.SetPeer(to);
    EXPECT_EQ(Names("probe").size(), 1u);
}

}  // namespace
}  // namespace velorin
