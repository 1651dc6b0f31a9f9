#include "fileserver/browse_requests.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "fileserver/peer_messages.h"
#include "fileserver_fixture.h"
#include "net/payload.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

class BrowseRequestsTest : public test::ShareFixture {
protected:
    void SetUp() override {
        ShareFixture::SetUp();
        Publish("Music", "music");
        Write("music/a.mp3", "abc");
        Write("music/Live/b.mp3", "bbbb");
        Write("music/.hidden.txt", "h");
        Write("music/.dotdir/c.mp3", "c");
        Write("outside/secret.txt", "secret");
        fs::create_symlink(dir / "outside", Local("music/out"));
        fs::create_symlink(dir / "outside/secret.txt", Local("music/secret.txt"));
        ASSERT_EQ(::mkfifo(Local("music/pipe").c_str(), 0600), 0);
    }

    int Run(int (CBrowseRequests::*handler)(IVisitorSession&, std::string_view),
            const std::string& payload) {
        return (browse.*handler)(session, payload);
    }
    int List(const std::string& path) {
        return Run(&CBrowseRequests::List, EncodePathRequest(PEER_LIST, path).payload);
    }
    FolderInfoAnswer Summary(const std::string& path) {
        session.sent.clear();
        EXPECT_EQ(
            Run(&CBrowseRequests::FolderInfo, EncodePathRequest(PEER_FOLDER_INFO, path).payload),
            0);
        FolderInfoAnswer answer;
        EXPECT_EQ(session.sent.size(), 1u);
        if (!session.sent.empty()) {
            EXPECT_TRUE(DecodeFolderInfoAnswer(session.sent[0].payload, answer));
        }
        return answer;
    }
    // Names of the listing entries, in two sets: folders and files.
    std::pair<std::set<std::string>, std::set<std::string>> Entries() {
        std::pair<std::set<std::string>, std::set<std::string>> out;
        for (const Packet& p : session.OfType(PEER_LIST_ENTRY)) {
            ListEntry e;
            EXPECT_TRUE(DecodeListEntry(p.payload, e));
            (e.kind == kEntryFolder ? out.first : out.second).insert(e.name);
        }
        return out;
    }
    std::vector<ListShare> Shares() {
        std::vector<ListShare> out;
        for (const Packet& p : session.OfType(PEER_LIST_SHARE)) {
            ListShare s;
            EXPECT_TRUE(DecodeListShare(p.payload, s));
            out.push_back(s);
        }
        return out;
    }

    CBrowseRequests browse{db};
    test::CRecordingSession session;
};

TEST_F(BrowseRequestsTest, RootListsEachFolderOnceWithTheOwnGrantBeforeEveryone) {
    Publish("Docs", "docs");
    Grant("Music", "kim", 0);
    session.id = "KIM";
    EXPECT_EQ(List("\\"), 0);
    ASSERT_FALSE(session.sent.empty());
    EXPECT_EQ(session.sent[0].type, PEER_LIST_HEAD);
    std::vector<ListShare> shares = Shares();
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].name, "Music");
    EXPECT_EQ(shares[0].rights, 0);
    EXPECT_EQ(shares[1].name, "Docs");
    EXPECT_EQ(shares[1].rights, 3);
    EXPECT_EQ(shares[1].desc, "Docs 설명");

    session = {};
    session.id = "lee";
    List("\\");
    shares = Shares();
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].rights, 3);
}

TEST_F(BrowseRequestsTest, FolderListingHasFoldersThenFilesAndNothingHiddenSystemOrOutside) {
    EXPECT_EQ(List("\\Music"), 0);
    ASSERT_GE(session.sent.size(), 2u);
    EXPECT_EQ(session.sent[0].payload, std::string("\0\6\0\\Music", 9));
    ListEntry up;
    ASSERT_TRUE(DecodeListEntry(session.sent[1].payload, up));
    EXPECT_EQ(up.name, "..");
    EXPECT_EQ(up.time.year, 0);
    auto [folders, files] = Entries();
    EXPECT_EQ(folders, (std::set<std::string>{"..", "Live"}));
    EXPECT_EQ(files, (std::set<std::string>{"a.mp3"}));

    session.sent.clear();
    EXPECT_EQ(List("\\music\\Live"), 0);
    EXPECT_EQ(Entries().second, (std::set<std::string>{"b.mp3"}));
}

TEST_F(BrowseRequestsTest, WithoutTheBrowseRightAFolderIsEmptyAndItsSubfoldersSilent) {
    Publish("Private", "music_private", 2);
    Write("music_private/sub/x", "x");
    EXPECT_EQ(List("\\Private"), 0);
    ASSERT_EQ(session.sent.size(), 2u);
    session.sent.clear();
    EXPECT_EQ(List("\\Private\\sub"), 0);
    EXPECT_TRUE(session.sent.empty());
}

TEST_F(BrowseRequestsTest, RefusalsSendNoByteOfAnOutsideFile) {
    EXPECT_EQ(List("\\Music\\out"), 0);
    EXPECT_EQ(List("\\Music\\/out/"), -1);
    EXPECT_EQ(List("\\Music\\..\\..\\outside"), -1);
    EXPECT_EQ(List("\\Music\\Live/../../outside"), -1);
    EXPECT_EQ(List("\\Music\\.dotdir"), 0);
    EXPECT_EQ(List("\\Music\\pipe"), 0);
    EXPECT_TRUE(session.sent.empty());
    EXPECT_EQ(List("\\Music\\"), -1);
    EXPECT_EQ(List("\\Nothing"), 0);
    int8_t code = 0;
    ASSERT_EQ(session.sent.size(), 1u);
    ASSERT_TRUE(DecodeListError(session.sent[0].payload, code));
    EXPECT_EQ(code, kListNotPublished);
}

TEST_F(BrowseRequestsTest, LongPathsAreIgnoredAndUnsignedSessionsEnded) {
    CPayloadWriter w;
    w.U16(261).Bytes("\\" + std::string(260, 'x'));
    EXPECT_EQ(Run(&CBrowseRequests::List, w.Data()), 0);
    EXPECT_EQ(Run(&CBrowseRequests::FolderInfo, w.Data()), 0);
    EXPECT_EQ(Run(&CBrowseRequests::List, std::string("\x05\0\\", 3)), -1);
    EXPECT_TRUE(session.sent.empty());
    session.signedOn = false;
    EXPECT_EQ(List("\\"), -1);
    EXPECT_TRUE(session.sent.empty());
}

TEST_F(BrowseRequestsTest, SummaryCountsUpTo2000Files) {
    Publish("Many", "many");
    Publish("Sub", "many/sub");
    for (int i = 0; i < 2001; ++i) Write("many/sub/f" + std::to_string(i), "12");
    FolderInfoAnswer answer = Summary("\\Sub");
    EXPECT_EQ(answer.code, kSummaryWalkFailed);
    EXPECT_EQ(answer.files, 0xFFFFFFFFu);
    EXPECT_EQ(answer.totalSize, 0u);

    // The 2001st file in a subfolder stops only that subfolder's count.
    answer = Summary("\\Many");
    EXPECT_EQ(answer.code, kAnswerOk);
    EXPECT_EQ(answer.files, 2000u);
    EXPECT_EQ(answer.folders, 1u);
    EXPECT_EQ(answer.path, "\\Many");

    fs::remove(Local("many/sub/f0"));
    answer = Summary("\\Sub");
    EXPECT_EQ(answer.code, kAnswerOk);
    EXPECT_EQ(answer.files, 2000u);
    EXPECT_EQ(answer.totalSize, 4000u);
}

TEST_F(BrowseRequestsTest, SummaryCodesAndHiddenFilesCounted) {
    FolderInfoAnswer answer = Summary("\\Music");
    EXPECT_EQ(answer.code, kAnswerOk);
    // a.mp3, .hidden.txt, the FIFO and the link to a file inside... and b.mp3 below Live.
    EXPECT_EQ(answer.files, 4u);
    EXPECT_EQ(answer.folders, 1u);
    EXPECT_EQ(answer.totalSize, 3u + 1u + 0u + 4u);
    EXPECT_EQ(Summary("\\").code, kSummaryOfRoot);
    EXPECT_EQ(Summary("\\Nothing").code, kSummaryNotPublished);
    EXPECT_EQ(Summary("\\Music\\missing").code, kSummaryWalkFailed);
    Publish("Closed", "closed", 2);
    EXPECT_EQ(Summary("\\Closed").code, kSummaryNoRight);
}

TEST_F(BrowseRequestsTest, TreeCarriesTheDoubledSeparatorAndTheTargets) {
    FolderTreeRequest request{"\\Music", "C:\\down"};
    EXPECT_EQ(Run(&CBrowseRequests::FolderTree, EncodeFolderTreeRequest(request).payload), 0);
    std::set<std::pair<std::string, std::string>> entries;
    for (const Packet& p : session.sent) {
        ASSERT_EQ(p.type, PEER_FOLDER_TREE_ENTRY);
        FolderTreeEntry e;
        ASSERT_TRUE(DecodeFolderTreeEntry(p.payload, e));
        entries.insert({e.remotePath, e.target});
    }
    EXPECT_EQ(entries,
              (std::set<std::pair<std::string, std::string>>{
                  {"\\Music\\\\a.mp3", "C:\\down"}, {"\\Music\\\\Live\\b.mp3", "C:\\down\\Live"}}));

    session.sent.clear();
    Publish("Closed", "closed", 2);
    request.path = "\\Closed";
    EXPECT_EQ(Run(&CBrowseRequests::FolderTree, EncodeFolderTreeRequest(request).payload), 0);
    FolderInfoAnswer refusal;
    ASSERT_EQ(session.sent.size(), 1u);
    ASSERT_TRUE(DecodeFolderInfoAnswer(session.sent[0].payload, refusal));
    EXPECT_EQ(refusal.code, kSummaryNoRight);
    request.path = "\\";
    EXPECT_EQ(Run(&CBrowseRequests::FolderTree, EncodeFolderTreeRequest(request).payload), 0);
    EXPECT_EQ(session.sent.size(), 1u);
}

TEST_F(BrowseRequestsTest, LinkLoopsEndTheWalks) {
    fs::create_symlink(Local("music"), Local("music/Live/again"));
    FolderInfoAnswer answer = Summary("\\Music");
    EXPECT_EQ(answer.code, kAnswerOk);
    EXPECT_EQ(answer.files, 4u);
    session.sent.clear();
    FolderTreeRequest request{"\\Music", "T"};
    EXPECT_EQ(Run(&CBrowseRequests::FolderTree, EncodeFolderTreeRequest(request).payload), 0);
    EXPECT_EQ(session.sent.size(), 2u);
}

}  // namespace
}  // namespace velorin
