#include "views/note_dialog.h"

#include <gtest/gtest.h>

#include "data/note_store.h"
#include "fileserver/point_balance.h"
#include "platform/registry.h"
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
        const char* label;
        std::string id, text;
        const char* refusal;  // null: sent as trimmed
        std::string sentId = {}, sentText = {};
    } cases[] = {
        {"plain", "lee", "hello", nullptr, "lee", "hello"},
        {"trimmed", "  lee\t", " \thello there  ", nullptr, "lee", "hello there"},
        {"bars and line breaks", "lee", "a|b\r\nc", nullptr, "lee", "a|b\r\nc"},
        {"20-byte ID", std::string(20, 'i'), "x", nullptr, std::string(20, 'i'), "x"},
        {"20-byte Hangul ID", Hangul(10), "x", nullptr, Hangul(10), "x"},
        {"21-byte ID", std::string(21, 'i'), "x", text::kInvalid},
        {"22-byte Hangul ID", Hangul(11), "x", text::kInvalid},
        {"200-byte text", "lee", std::string(200, 't'), nullptr, "lee", std::string(200, 't')},
        {"200-byte Hangul text", "lee", Hangul(100), nullptr, "lee", Hangul(100)},
        {"201-byte text", "lee", std::string(201, 't'), text::kInvalid},
        {"201-byte mixed text", "lee", Hangul(100) + "t", text::kInvalid},
        {"no ID", "   ", "x", text::kNoId},
        {"no ID before no text", "", "", text::kNoId},
        {"no text", "lee", " \r\n ", text::kNoText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CNoteDialog dialog(parts, NoteMode::kNew);
        ASSERT_FALSE(dialog.Open());
        NoteSendResult result = dialog.Ok(c.id, c.text);
        if (c.refusal) {
            EXPECT_FALSE(result.sent);
            EXPECT_EQ(result.message, c.refusal);
            continue;
        }
        EXPECT_TRUE(result.sent) << result.message;
        auto packet = server.Receive();
        ASSERT_TRUE(packet);
        EXPECT_EQ(packet->type, kNoteToMember);
        EXPECT_EQ(packet->payload, EncodeNote({c.sentId, c.sentText}));
    }
    // Refusals sent nothing, and no sent note is kept.
    EXPECT_FALSE(server.Receive(200ms));
    EXPECT_TRUE(registry.ValueNames(kMsgKey).empty());
}

TEST_F(NoteDialogTest, ComposingNeedsTheSignInAndAQueueThatTakesTheNote) {
    running = false;
    for (NoteMode mode : {NoteMode::kNew, NoteMode::kReply}) {
        CNoteDialog dialog(parts, mode, "lee");
        EXPECT_EQ(dialog.Open(), std::optional<std::string>(text::kNotSignedIn));
        EXPECT_EQ(dialog.Title(), std::string(text::kSendTitle));
    }
    NoteRow note{3, "lee", "03/04 05:06", "hi", true, "hi"};
    CNoteDialog view = CNoteDialog::ForNote(parts, note);
    EXPECT_FALSE(view.Open());

    // A link never prepared has no queue: the note cannot leave.
    CSessionClient unprepared{clock, list, balance, member, notes};
    running = true;
    CNoteDialog dialog(NoteDialogParts{unprepared, running}, NoteMode::kNew);
    NoteSendResult result = dialog.Ok("lee", "hello");
    EXPECT_FALSE(result.sent);
    EXPECT_EQ(result.message, text::kNotSent);
}

TEST_F(NoteDialogTest, AViewedNoteIsReadOnlyAndItsReplyGoesToTheSender) {
    NoteRow note{3, "lee", "03/04 05:06", "a|b c", false, "a|b\r\nc"};
    CNoteDialog view = CNoteDialog::ForNote(parts, note);
    EXPECT_EQ(view.Mode(), NoteMode::kView);
    EXPECT_EQ(view.Title(), std::string(text::kViewTitle));
    EXPECT_TRUE(view.ReadOnly());
    EXPECT_TRUE(view.ReplyVisible());
    EXPECT_EQ(view.Id(), "lee");
    EXPECT_EQ(view.Text(), "a|b\r\nc");
    EXPECT_FALSE(view.Ok("lee", "x").sent);

    CNoteDialog reply = view.Reply();
    EXPECT_EQ(reply.Mode(), NoteMode::kReply);
    EXPECT_EQ(reply.Title(), std::string(text::kSendTitle));
    EXPECT_FALSE(reply.ReadOnly());
    EXPECT_EQ(reply.Id(), "lee");
    EXPECT_EQ(reply.Text(), "");
    ASSERT_TRUE(reply.Ok(reply.Id(), "thanks").sent);
    auto packet = server.Receive();
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->payload, EncodeNote({"lee", "thanks"}));
}

}  // namespace
}  // namespace velorin
