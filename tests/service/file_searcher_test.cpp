#include "service/file_searcher.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "net/payload.h"
#include "platform/text_encoding.h"
#include "service/server_list.h"
#include "support/eventually.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;

// What the searcher reported, from its thread.
class CRecordingSink : public ISearchSink {
public:
    void SearchBegun() override { ++begun; }
    void SearchProgress(int percent) override { progress.push_back(percent); }
    void SearchAnswered(const SearchAnswer& answer, int64_t responseMs) override {
        std::lock_guard lock(mutex);
        answers.push_back(answer);
        times.push_back(responseMs);
    }
    void SearchEnded() override { ++ended; }

    std::atomic<int> begun{0}, ended{0};
    std::vector<int> progress;  // read after the end only
    std::mutex mutex;
    std::vector<SearchAnswer> answers;
    std::vector<int64_t> times;
};

// A member's search robot played by the test: it takes one query and sends
// back whatever the case scripts.
struct ScriptedRobot {
    CUdpSocket socket;
    ScriptedRobot() { socket.Open(0); }
    std::optional<std::string> Receive(std::chrono::milliseconds wait = 5s) {
        if (!socket.WaitReadable(wait)) return std::nullopt;
        char buffer[2048];
        int n = socket.ReceiveFrom(buffer, sizeof buffer);
        if (n < 0) return std::nullopt;
        return std::string(buffer, static_cast<size_t>(n));
    }
    void Send(const std::string& datagram) { socket.SendTo(datagram.data(), datagram.size()); }
};

SystemTime At(uint16_t minute, uint16_t second, uint16_t millisecond) {
    SystemTime t{2026, 12, 1, 7, 10, minute, second, millisecond};
    return t;
}

class FileSearcherTest : public ::testing::Test {
protected:
    ScriptedRobot& AddMember(const std::string& id, uint32_t sharing = 1, uint8_t channel = 0) {
        robots.push_back(std::make_unique<ScriptedRobot>());
        ServerRecord record;
        record.channel = channel;
        record.userId = id;
        record.address = htonl(INADDR_LOOPBACK);
        record.udpPort = robots.back()->socket.LocalPort();
        record.sharingFlag = sharing;
        EXPECT_TRUE(servers.AddRecord(record));
        return *robots.back();
    }
    SearchAnswer Answer(const std::string& query, const std::string& name) {
        SearchAnswer answer;
        answer.memberId = "kim";
        answer.sendTime = DecodeSearchQuery(query)->sendTime;
        answer.size = 1234;
        answer.name = name;
        answer.path = "\\docs";
        answer.ext = "MP3";
        return answer;
    }
    bool WaitEnded() {
        return test::Eventually([&] { return sink.ended > 0 && !searcher.Running(); });
    }

    CServerList servers;
    CRecordingSink sink;
    SystemTime fixed = At(0, 0, 500);
    CFileSearcher searcher{servers, sink, [this] { return fixed; }};
    std::vector<std::unique_ptr<ScriptedRobot>> robots;
};

TEST_F(FileSearcherTest, QueriesEverySharingMemberOfBothChannelsOnce) {
    ScriptedRobot& first = AddMember("kim");
    ScriptedRobot& quiet = AddMember("lee", 0);
    ScriptedRobot& moon = AddMember("park", 1, 1);
    searcher.SetCollectPasses(50);
    ASSERT_TRUE(searcher.Start("노래 song", "mp3"));
    for (ScriptedRobot* robot : {&first, &moon}) {
        std::optional<std::string> query = robot->Receive();
        ASSERT_TRUE(query);
        // magic, the send time, the lengths, then the CP949 texts without terminators
        CPayloadReader r(*query);
        uint16_t magic = 0, t = 0, e = 0;
        std::string time, term, ext;
        ASSERT_TRUE(r.U16(magic) && r.Bytes(kSearchTimeSize, time) && r.U16(t) && r.U16(e) &&
                    r.Bytes(t, term) && r.Bytes(e, ext) && r.Remaining() == 0);
        EXPECT_EQ(magic, kSearchMagic);
        EXPECT_EQ(time, EncodeSearchTime(fixed));
        EXPECT_EQ(term, Utf8ToCp949("노래 song"));
        EXPECT_EQ(ext, "mp3");
    }
    EXPECT_FALSE(quiet.Receive(50ms));
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(searcher.Sent(), 2u);
    EXPECT_FALSE(first.Receive(0ms)) << "one query per member";
    EXPECT_EQ(sink.begun, 1);
    ASSERT_FALSE(sink.progress.empty());
    EXPECT_EQ(sink.progress.front(), 0);
    EXPECT_EQ(sink.progress.back(), 100);
}

TEST_F(FileSearcherTest, RefusesTermsAndExtensionsTooLongForTheDatagram) {
    AddMember("kim");
    EXPECT_FALSE(searcher.Start("", ""));
    EXPECT_FALSE(searcher.Start(std::string(261, 'a'), ""));
    EXPECT_FALSE(searcher.Start(std::string(259, 'a') + "가", "")) << "261 CP949 bytes";
    EXPECT_FALSE(searcher.Start("song", std::string(257, 'a')));
    EXPECT_EQ(sink.begun, 0);
    searcher.SetCollectPasses(0);
    EXPECT_TRUE(searcher.Start(std::string(260, 'a'), std::string(256, 'b')));
    ASSERT_TRUE(WaitEnded());
}

TEST_F(FileSearcherTest, TimesAnswersFromTheEchoedClockAndDropsThoseFromTheLastHour) {
    ScriptedRobot& robot = AddMember("kim");
    searcher.SetCollectPasses(300);
    ASSERT_TRUE(searcher.Start("song", ""));
    std::optional<std::string> query = robot.Receive();
    ASSERT_TRUE(query);
    struct Case {
        SystemTime sent;
        int64_t expected;  // -1: dropped
    } cases[] = {
        {At(0, 0, 100), 400},
        {At(59, 59, 900), -1},  // sent before the hour turned: negative, dropped
        {At(0, 0, 500), 0},
    };
    for (const Case& c : cases) {
        SearchAnswer answer = Answer(*query, "a song.mp3");
        answer.sendTime = EncodeSearchTime(c.sent);
        robot.Send(EncodeSearchAnswer(answer));
    }
    ASSERT_TRUE(WaitEnded());
    EXPECT_EQ(sink.times, (std::vector<int64_t>{400, 0}));
    EXPECT_EQ(searcher.Answers(), 3u);
}

TEST_F(FileSearcherTest, LateAnswerInTheCollectPhaseIsTakenAndMalformedOnesDropped) {
    ScriptedRobot& robot = AddMember("kim");
    searcher.SetCollectPasses(1000);
    ASSERT_TRUE(searcher.Start("song", ""));
    std::optional<std::string> query = robot.Receive();
    ASSERT_TRUE(query);
    // Sending has ended with the only member; the searcher is collecting.
    std::this_thread::sleep_for(200ms);
    std::string good = EncodeSearchAnswer(Answer(*query, "late song.mp3"));
    std::string wrongMagic = good;
    wrongMagic[0] ^= 1;
    std::string longName = EncodeSearchAnswer(Answer(*query, std::string(261, 'n')));
    for (const std::string& bad : {good.substr(0, 20), good.substr(0, good.size() - 1), good + "x",
                                   wrongMagic, std::string(900, 'x'), longName, std::string()}) {
        robot.Send(bad);
    }
    robot.Send(good);
    ASSERT_TRUE(WaitEnded());
    ASSERT_EQ(sink.answers.size(), 1u);
    EXPECT_EQ(sink.answers[0].name, "late song.mp3");
    EXPECT_EQ(sink.answers[0].memberId, "kim");
    EXPECT_GE(searcher.Dropped(), 6u);
}

TEST_F(FileSearcherTest, StopEndsALongSearchAtOnce) {
    for (int i = 0; i < 200; ++i) AddMember("m" + std::to_string(i));
    ASSERT_TRUE(searcher.Start("song", ""));
    ASSERT_TRUE(test::Eventually([&] { return searcher.Sent() > 5; }));
    auto before = std::chrono::steady_clock::now();
    searcher.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms) << "not hung";
    EXPECT_FALSE(searcher.Running());
    EXPECT_EQ(sink.ended, 1);
    EXPECT_LT(searcher.Sent(), 200u);
}

}  // namespace
}  // namespace velorin
