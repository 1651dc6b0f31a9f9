#include "app/fileserver_commands.h"

#include <gtest/gtest.h>

#include "app/process.h"
#include "fileserver/file_server.h"
#include "fileserver/peer_messages.h"
#include "net/packet_socket.h"
#include "support/eventually.h"
#include "support/process_fixture.h"
#include "views/server_view.h"

namespace velorin {
namespace {

std::string Word(CProcess& process, std::vector<std::string> args) {
    ControlAnswer answer = process.Commands().Execute(args);
    return (answer.status == ControlAnswer::kDone ? "" : "refused ") + answer.json;
}

class FileServerCommands : public test::ProcessHome<> {};

TEST_F(FileServerCommands, TheProcessRunsItsServerAndTheWordsSeeIt) {
    CProcess process(ProfileLocation{dir / "p", false}, ui);
    ui.Follow(process.Queue());
    ASSERT_FALSE(process.Start(std::nullopt).has_value());
    uint16_t port = process.StartFileServer(0);
    ASSERT_NE(port, 0);
    EXPECT_EQ(process.StartFileServer(0), port);

    CPacketSocket visitor;
    ASSERT_EQ(visitor.ConnectTcp("127.0.0.1", port, 5), 0);
    visitor.SetNonBlocking(false);
    Packet signOn = EncodeSignOn({"guest", kVisitorBrowse});
    visitor.SendPacket(static_cast<uint16_t>(signOn.payload.size()), signOn.type,
                       signOn.payload.data());
    ASSERT_GT(visitor.ReceivePacket(), 0);
    EXPECT_EQ(Word(process, {"visitors"}),
              "{\"running\": true, \"port\": " + std::to_string(port) +
                  ", \"visitors\": [\"guest\"], \"browse\": 1, \"uploads\": 0, "
                  "\"downloads\": 0, \"downloadSessions\": 0, \"downloadLimit\": 6, "
                  "\"uploadSessions\": 0, \"uploadLimit\": 6}");
    EXPECT_EQ(Word(process, {"kick", "Guest"}), "{\"ok\": true, \"kicked\": true}");
    EXPECT_TRUE(test::Eventually([&] { return process.Counters().browse == 0; }));

    EXPECT_EQ(Word(process, {"served"}), "{\"rows\": []}");
    // A visitor's upload as its session leaves it; the words read the view's rows.
    CServerTransferList& list = process.FileServer().Transfers();
    list.Update(list.Track("kim", "a.mp3", kServerKindUpload, 5000, 1000, nullptr), 1000,
                kTransferStateCompleted);
    EXPECT_EQ(Word(process, {"served"}),
              "{\"rows\": [{\"row\": 1, \"status\": \"전송완료\", \"action\": \"DN\", "
              "\"id\": \"kim\", \"file\": \"a.mp3\", \"progress\": \" 40 %\", "
              "\"speed\": \"0k\", \"size\": \"5,000\", \"present\": \"2,000\", "
              "\"remaining\": \"00:00:00\", \"state\": 16, \"sizeBytes\": 5000, "
              "\"presentBytes\": 2000, \"bytesPerSecond\": 0, \"remainingSeconds\": 0}]}");
    ASSERT_NE(process.ServerView(), nullptr);
    EXPECT_EQ(process.ServerView()->Transfers().size(), 1u);
    EXPECT_EQ(Word(process, {"served-remove", "1"}), "{\"ok\": true}");
    EXPECT_TRUE(process.ServerView()->Transfers().empty());
    EXPECT_EQ(Word(process, {"served-stop", "1"}), "refused {\"error\": \"no row 1\"}");
    EXPECT_EQ(Word(process, {"served-clear"}), "{\"ok\": true}");
    EXPECT_EQ(Word(process, {"limit", "7"}),
              "{\"ok\": true, \"limit\": 7, \"label\": \"속도제한 : 7nop\"}");
    EXPECT_EQ(process.Settings().Read(setting::LimitSpeed), 7u);
    EXPECT_EQ(Word(process, {"limit", "-1"}).rfind("refused", 0), 0u);

    process.StopFileServer();
    EXPECT_EQ(Word(process, {"visitors"}).find("\"running\": false, \"port\": 0"), 1u);
}

}  // namespace
}  // namespace velorin
