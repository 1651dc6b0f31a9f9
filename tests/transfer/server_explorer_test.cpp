#include "views/server_explorer.h"

#include <gtest/gtest.h>

#include "browse_fixture.h"
#include "data/link.h"
#include "support/scripted_server.h"
#include "transfer/transfer_texts.h"

namespace velorin {
namespace {

namespace text = explorer_text;
using test::kHost;

class ServerExplorerTest : public test::BrowseFixture {
protected:
    bool Open(const std::string& path) { return !explorer->OpenPath(path) && Sync(); }
    bool LineWritten(int kind, const std::string& text) {
        auto lines = KindLines();
        return std::find(lines.begin(), lines.end(), std::to_string(kind) + " " + text) !=
               lines.end();
    }
};

TEST_F(ServerExplorerTest, TransfersNeedAFolderItsRightsAndAnAdultForAdultFolders) {
    Publish("Look", "look", 1);
    Write("look/b.txt", "bbb");
    Publish("Adult", "adult", 11);
    Write("adult/c.txt", "ccc");
    age = 18;
    ASSERT_TRUE(Browse());

    EXPECT_EQ(explorer->Download({0}), text::kFolderDownloadAtRoot);
    EXPECT_EQ(explorer->Upload(), text::kRootTransfer);
    EXPECT_EQ(explorer->OpenRow(RowOf("Adult")), text::kAdultFolder);
    EXPECT_TRUE(LineWritten(4, text::kAdultFolder));

    ASSERT_TRUE(Open("\\Look"));
    EXPECT_EQ(explorer->Download({RowOf("b.txt")}), text::kNoDownloadRight);
    EXPECT_EQ(explorer->OpenRow(RowOf("b.txt")), text::kNoDownloadRight);
    EXPECT_EQ(explorer->Upload(), text::kNoUploadRight);
    EXPECT_TRUE(ui.Opened().empty() || ui.Opened().back().rfind("pick ", 0) != 0);

    // Reached by its path, an adult folder still refuses a minor.
    ASSERT_TRUE(Open("\\Adult"));
    EXPECT_EQ(explorer->Download({RowOf("c.txt")}), text::kAdultFolder);
    EXPECT_EQ(explorer->OpenRow(RowOf("c.txt")), text::kAdultFolder);
    EXPECT_TRUE(Reserved().empty());

    age = 19;
    EXPECT_EQ(explorer->OpenRow(RowOf("c.txt")), std::nullopt);
    EXPECT_EQ(Reserved(), std::vector<std::string>{"c.txt|\\Adult|3"});
}

TEST_F(ServerExplorerTest, SelectedFilesAreReservedFoldersSkippedHarmfulNamesRefused) {
    Publish("Open", "open");
    Write("open/Sub/live_show [2004].avi", "x");
    Write("open/Sub/ok.txt", "yy");
    Write("open/Sub/Deeper/z", "");
    // Possible on this side, never a name the other side can be asked for.
    Write("open/Sub/up\\ok.txt", "zzz");
    std::vector<std::string> pieces;
    restrictedPiece = [&](std::string_view piece) {
        pieces.emplace_back(piece);
        return piece == "show";
    };
    ASSERT_TRUE(Browse("\\Open\\Sub"));

    EXPECT_EQ(explorer->Download({}), std::nullopt);
    EXPECT_EQ(explorer->Download({RowOf("Deeper"), RowOf("live_show [2004].avi"), RowOf("ok.txt"),
                                  RowOf("up\\ok.txt")}),
              std::nullopt);
    EXPECT_TRUE(LineWritten(4, transfer_text::kBadPath));
    EXPECT_EQ(pieces, (std::vector<std::string>{"live", "show", "ok", "txt"}));
    EXPECT_TRUE(
        LineWritten(4, "'live_show [2004].avi' 은 유해 파일로 추측됩니다. (불법공유, 음란물)"));
    EXPECT_EQ(Reserved(), std::vector<std::string>{"ok.txt|\\Open\\Sub|2"});
    EXPECT_EQ(ui.Opened().back(), "transfer page");

    ASSERT_FALSE(explorer->UpPath());
    ASSERT_TRUE(Sync());
    EXPECT_EQ(explorer->CurrentPath(), "\\Open");
    ASSERT_FALSE(explorer->UpPath());
    ASSERT_TRUE(Sync());
    EXPECT_EQ(explorer->CurrentPath(), "\\");
    EXPECT_EQ(explorer->UpPath(), std::nullopt);
    EXPECT_EQ(explorer->CurrentPath(), "\\");
}

TEST_F(ServerExplorerTest, FolderDownloadReservesEveryFileUnderTheLocalName) {
    Publish("M", "m");
    Write("m/Album/a.mp3", "aa");
    Write("m/Album/Live/b.mp3", "bbb");
    ASSERT_TRUE(Browse("\\M"));
    ASSERT_EQ(explorer->Download({RowOf("Album")}), std::nullopt);
    ASSERT_TRUE(Sync());
    ASSERT_TRUE(explorer->Offer().has_value());
    EXPECT_EQ(explorer->Offer()->files, 2u);
    EXPECT_EQ(explorer->Offer()->folders, 1u);
    EXPECT_EQ(explorer->Offer()->sizeText, "0.0 MB");
    EXPECT_EQ(ui.Opened().back(), "folder offer \\M\\Album Album");

    EXPECT_EQ(explorer->ConfirmFolderDownload("\\M\\Album", ""), text::kNoLocalName);
    EXPECT_EQ(explorer->ConfirmFolderDownload("\\M\\Album", "a:b"), text::kBadLocalName);
    EXPECT_EQ(explorer->ConfirmFolderDownload("\\M\\Album", ".."), text::kBadLocalName);
    EXPECT_EQ(ui.Messages().size(), 3u);
    ASSERT_EQ(explorer->ConfirmFolderDownload("\\M\\Album", "Mine"), std::nullopt);
    ASSERT_TRUE(Sync());
    EXPECT_TRUE(LineWritten(2, "'\\M\\Album' 폴더를 다운로드 합니다"));
    // The server's remote paths carry a doubled separator after the requested folder.
    EXPECT_EQ(Reserved(), (std::vector<std::string>{"Mine\\Live\\b.mp3|\\M\\Album\\\\Live|3",
                                                    "Mine\\a.mp3|\\M\\Album\\|2"}));
    EXPECT_EQ(explorer->FolderFilesReserved(), 2u);
}

TEST_F(ServerExplorerTest, ARowsLinksNameTheBrowsedMemberAndForAFileItsPlace) {
    constexpr uint64_t kBig = 5000000000ull;
    Publish("My Docs", "docs");
    MakeSparse("docs/Sub Folder/a big film.mkv", kBig);
    Write("docs/Sub Folder/star*.txt", "s");
    Write("docs/Sub Folder/Deeper/z", "");
    EXPECT_EQ(explorer->LinkTextsOf(0), std::nullopt);
    ASSERT_TRUE(Browse("\\My Docs\\Sub Folder"));

    const LinkTexts hostServer = ServerLinkTexts(kHost);
    struct Case {
        std::string row;
        LinkTexts texts;
    } cases[] = {
        {"a big film.mkv", FileLinkTexts(kHost, "\\My Docs\\Sub Folder", "a big film.mkv", kBig)},
        {"Deeper", hostServer},
        {"..", hostServer},
        // No link can name it: the file fields stay empty.
        {"star*.txt", hostServer},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(explorer->LinkTextsOf(RowOf(c.row)), c.texts) << c.row;
    }
    EXPECT_EQ(explorer->LinkTextsOf(explorer->Rows().size()), std::nullopt);
}

TEST_F(ServerExplorerTest, ConnectingNeedsTheOwnServerAnIdAndAListedMember) {
    signedIn = false;
    EXPECT_EQ(explorer->Connect(kHost), server_list_text::kNotRunning);
    EXPECT_EQ(ui.Messages().back(), std::string("? ") + server_list_text::kAskConnect);
    EXPECT_EQ(ui.Opened().back(), "sign-in dialog");
    signedIn = true;
    EXPECT_EQ(explorer->Connect("  "), text::kEnterId);
    EXPECT_EQ(explorer->Connect("nobody"), transfer_text::kNotListed);
    EXPECT_EQ(explorer->Sessions(), 0u);
}

TEST_F(ServerExplorerTest, FolderFilesEchoedOutsideTheConfirmedNameAreDropped) {
    test::CScriptedServer peer;
    ASSERT_TRUE(peer.Listen("127.0.0.1", 0));
    ListHost(peer.Port());
    ASSERT_FALSE(explorer->Connect(kHost));
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(peer.Send(PEER_SIGNON_ANS, EncodeSignOnAnswer({0, 0, ""}).payload));
    ASSERT_TRUE(WaitFor([&] { return explorer->SignedOn(); }));
    // A confirmation answers a summary of this session only.
    EXPECT_EQ(explorer->ConfirmFolderDownload("\\S\\F", "F"), text::kStaleOffer);
    ASSERT_FALSE(explorer->DownloadFolder("\\S\\F"));
    ASSERT_TRUE(peer.ReceiveType(PEER_FOLDER_INFO));
    Packet summary = EncodeFolderInfoAnswer({0, 1, 0, 1, "\\S\\F"});
    ASSERT_TRUE(peer.Send(summary.type, summary.payload));
    ASSERT_TRUE(WaitFor([&] { return explorer->Offer().has_value(); }));
    EXPECT_EQ(explorer->ConfirmFolderDownload("\\S\\G", "F"), text::kStaleOffer);
    ASSERT_FALSE(explorer->ConfirmFolderDownload("\\S\\F", "F"));
    for (const auto& [target, remote] :
         std::vector<std::pair<std::string, std::string>>{{"..", "\\S\\F\\\\x"},
                                                          {"F\\..\\..", "\\S\\F\\\\y"},
                                                          {"Other", "\\S\\F\\\\z"},
                                                          {"F", "\\S\\F\\\\.."},
                                                          {"F", "\\S\\F\\\\ok"}}) {
        Packet p = EncodeFolderTreeEntry({1, target, remote});
        ASSERT_TRUE(peer.Send(p.type, p.payload));
    }
    uint64_t ticket = explorer->RequestSync();
    ASSERT_TRUE(peer.ReceiveType(PEER_FOLDER_INFO));
    Packet answer = EncodeFolderInfoAnswer({kSummaryOfRoot, 0, 0, 0, "\\"});
    ASSERT_TRUE(peer.Send(answer.type, answer.payload));
    ASSERT_TRUE(WaitFor([&] { return explorer->InfoAnswered() >= ticket; }));
    EXPECT_EQ(explorer->FolderFilesReserved(), 1u);
    EXPECT_EQ(Reserved(), std::vector<std::string>{"F\\ok|\\S\\F\\|1"});
}

TEST(NameFilter, NamesAreCutIntoPiecesAtEachSeparator) {
    EXPECT_EQ(SplitNamePieces("live_show [2004].avi"),
              (std::vector<std::string>{"live", "show", "2004", "avi"}));
    EXPECT_EQ(SplitNamePieces("a(b)c,d-e.f g"),
              (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_TRUE(SplitNamePieces("[]").empty());
}

}  // namespace
}  // namespace velorin
