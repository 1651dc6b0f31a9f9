#include "views/note_dialog.h"

#include <gtest/gtest.h>

#include "data/note_store.h"
#include "fileserver/point_balance.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "platform/window_messages.h"
#include "service/server_list.h"
#include "service/session_client.h"
#include "support/message_log.h"
#include "support/scripted_server.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace text = note_text;
using namespace std::chrono_literals;

std::string Hangul(size_t characters) {
    std::string result;
    for (size_t i = 0; i < characters; ++i) result += "가";
    return result;
}

// A session link signed in to a scripted session server.
class NoteDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Listen("127.0.0.1", 0));
        ASSERT_TRUE(registry.Open(dir / "registry.db"));
        ASSERT_EQ(link.Prepare(&queue, log.Handle(), "127.0.0.1", server.Port()), 0);
        ASSERT_EQ(link.Start("kim", "secret"), 0);
        ASSERT_TRUE(server.Accept());
        ASSERT_TRUE(log.WaitFor(WM_SESSION_STEP));
    }

    test::CTempFolder dir;
    CRegistry registry;
    std::atomic<uint32_t> recvMessage{1};
    CNoteStore notes{registry, recvMessage};
    CManualClock clock{1767225600};
    CServerList list;
    CPointBalance balance;
    MemberStanding member;
    CMessageQueue queue;
    test::CMessageLog log{queue};
    test::CScriptedServer server;
    CSessionClient link{clock, list, balance, member, notes};
    std::atomic<bool> running{true};
    NoteDialogParts parts{link, running};
};

TEST_F(NoteDialogTest, OkChecksTheTrimmedFieldsInCp949BytesAndSendsWhatPasses) {
    struct Case {
        std::string id, text;
        const char* refusal;  // null: sent as trimmed
    } cases[] = {
        {"  lee\t", " \ta|b\r\nc  ", nullptr},
        {Hangul(10), std::string(200, 't'), nullptr},
        {std::string(20, 'i'), Hangul(100), nullptr},
        {std::string(21, 'i'), "x", text::kInvalid},
        {Hangul(11), "x", text::kInvalid},
        {"lee", std::string(201, 't'), text::kInvalid},
        {"lee", Hangul(100) + "t", text::kInvalid},
        {"   ", "", text::kNoId},
        {"lee", " \r\n ", text::kNoText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id + " " + c.text);
        CNoteDialog dialog(parts, NoteMode::kNew);
        ASSERT_FALSE(dialog.Open());
        NoteSendResult result = dialog.Ok(c.id, c.text);
        EXPECT_EQ(result.sent, c.refusal == nullptr);
        EXPECT_EQ(result.message, c.refusal ? c.refusal : "");
        if (c.refusal) continue;
        auto packet = server.Receive();
        ASSERT_TRUE(packet);
        EXPECT_EQ(packet->type, kNoteToMember);
        EXPECT_EQ(packet->payload, EncodeNote({Trim(c.id), Trim(c.text)}));
    }
    // Refusals sent nothing, and no sent note is kept.
    EXPECT_FALSE(server.Receive(200ms));
    EXPECT_TRUE(registry.ValueNames(kMsgKey).empty());

    // A link never prepared has no queue: the note cannot leave.
    CSessionClient unprepared{clock, list, balance, member, notes};
    NoteSendResult result = CNoteDialog({unprepared, running}, NoteMode::kNew).Ok("lee", "hello");
    EXPECT_FALSE(result.sent);
    EXPECT_EQ(result.message, text::kNotSent);
}

TEST_F(NoteDialogTest, AViewedNoteRepliesToItsSenderAndComposingNeedsTheSignIn) {
    NoteRow note{3, "lee", "03/04 05:06", "a|b c", false, "a|b\r\nc"};
    CNoteDialog view = CNoteDialog::ForNote(parts, note);
    EXPECT_EQ(view.Title(), std::string(text::kViewTitle));
    EXPECT_TRUE(view.ReadOnly() && view.ReplyVisible());
    EXPECT_EQ(view.Text(), "a|b\r\nc");
    EXPECT_FALSE(view.Ok("lee", "x").sent);

    CNoteDialog reply = view.Reply();
    EXPECT_EQ(reply.Mode(), NoteMode::kReply);
    EXPECT_EQ(reply.Title(), std::string(text::kSendTitle));
    EXPECT_FALSE(reply.ReadOnly());
    EXPECT_EQ(reply.Id(), "lee");
    ASSERT_TRUE(reply.Ok(reply.Id(), "thanks").sent);
    auto packet = server.Receive();
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->payload, EncodeNote({"lee", "thanks"}));

    running = false;
    EXPECT_EQ(reply.Open(), std::optional<std::string>(text::kNotSignedIn));
    EXPECT_EQ(CNoteDialog(parts, NoteMode::kNew).Open(),
              std::optional<std::string>(text::kNotSignedIn));
    EXPECT_FALSE(view.Open());
}

}  // namespace
}  // namespace velorin
