#include "ui/server_explorer_page.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <chrono>
#include <functional>

#include "app/process.h"
#include "service/server_list.h"
#include "support/process_fixture.h"
#include "support/temp_folder.h"
#include "transfer/transfer_manager.h"
#include "ui/folder_download_dialog.h"
#include "ui/history_dialog.h"
#include "ui/icons.h"
#include "views/friend_dialog.h"
#include "views/server_explorer.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

QImage Picture(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage();
}

// The process's own file server, browsed as the listed member "kim" from the page.
class ServerExplorerPageTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        QApplication::setFont(QFont("NanumGothic", 10));
        StartProcess();
        process->SetCredentials({"kim", "password"});
        fs::create_directories(dir / "shared/Album");
        test::WriteFile(dir / "shared/Album/a.mp3", "aa");
        test::WriteFile(dir / "shared/readme.txt", "read me");
        fs::create_directories(dir / "downloads");
        process->Options().SetDownloadPath((dir / "downloads").string());
        bool exists = false;
        ASSERT_TRUE(
            process->ShareDatabase().AddShareFolder(exists, "docs", (dir / "shared").string(), ""));
        uint16_t port = process->StartFileServer(0);
        ASSERT_NE(port, 0);
        process->ServerRunning() = true;
        ServerRecord record;
        record.userId = "kim";
        record.address = htonl(INADDR_LOOPBACK);
        record.tcpPort = htons(port);
        process->ServerList().AddRecord(record);
        page = std::make_unique<CServerExplorerPage>(*process);
        page->resize(900, 600);
        page->show();
    }
    void TearDown() override { page.reset(); }

    CServerExplorer& Explorer() { return *process->Explorer(); }
    // Runs the core's loop and Qt's until `done`; false after a generous bound.
    bool Pump(const std::function<bool()>& done) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            process->Queue().DispatchOne(0, std::chrono::milliseconds(10));
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        return true;
    }
    template <typename T>
    T* Find(const char* name) {
        return page->findChild<T*>(name);
    }
    QTableView* List() { return Find<QTableView>("explorerList"); }
    // The listing of `path` in full: a summary asked after it is answered after it.
    bool At(const std::string& path) {
        if (!Pump([&] { return Explorer().CurrentPath() == path && !Explorer().Rows().empty(); })) {
            return false;
        }
        uint64_t sync = Explorer().RequestSync();
        return sync != 0 && Pump([&] { return Explorer().InfoAnswered() >= sync; });
    }
    void ConnectByButton() {
        Find<QLineEdit>("explorerId")->setText("kim");
        QTest::mouseClick(Find<QPushButton>("explorerConnect"), Qt::LeftButton);
        ASSERT_TRUE(At("\\"));
    }
    int RowOf(const std::string& name) {
        for (size_t i = 0; i < Explorer().Rows().size(); ++i) {
            if (Explorer().Rows()[i].name == name) return static_cast<int>(i);
        }
        return -1;
    }
    void Select(const std::string& name) {
        int row = RowOf(name);
        ASSERT_GE(row, 0) << name;
        List()->selectRow(row);
        List()->setCurrentIndex(List()->model()->index(row, 0));
    }
    QAction* MenuAction(const char* text) {
        for (QAction* action : page->FileListMenu()->actions()) {
            if (action->text() == QString::fromUtf8(text)) return action;
        }
        return nullptr;
    }

    std::unique_ptr<CServerExplorerPage> page;
};

// The root lists shares with folder columns; a share lists folders and files
// with file columns, folders with the folder icon and files with an icon by name.
TEST_F(ServerExplorerPageTest, ListShowsTheListingsColumnsAndIcons) {
    ConnectByButton();
    QAbstractItemModel* model = List()->model();
    struct Case {
        std::string path;
        std::vector<QString> headers;
        std::string row;
        std::vector<QString> cells;
        bool folderIcon;
    };
    const Case cases[] = {
        {"\\", {"폴더", "설명", "권한"}, "docs", {"docs"}, true},
        {"\\docs", {"이름", "종류", "크기(byte)"}, "Album", {"Album", "파일폴더", ""}, true},
        {"\\docs", {"이름", "종류", "크기(byte)"}, "readme.txt", {"readme.txt", "txt", "7"}, false},
    };
    QImage folder = Picture(ThemedIcon("folder", "folder"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + c.row);
        if (Explorer().CurrentPath() != c.path) {
            ASSERT_TRUE(Explorer().OpenPath(c.path) == std::nullopt);
            ASSERT_TRUE(At(c.path));
        }
        ASSERT_EQ(model->columnCount(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(),
                      c.headers[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(model->rowCount(), static_cast<int>(Explorer().Rows().size()));
        int row = RowOf(c.row);
        ASSERT_GE(row, 0);
        for (size_t i = 0; i < c.cells.size(); ++i) {
            EXPECT_EQ(model->index(row, static_cast<int>(i)).data().toString(), c.cells[i]);
        }
        QIcon icon = model->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(Picture(icon) == folder, c.folderIcon);
    }
    EXPECT_EQ(Find<QLabel>("explorerPath")->text(), QString::fromStdString(Explorer().PathText()));
    EXPECT_FALSE(Find<QPushButton>("explorerConnect")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("explorerId")->isReadOnly());
    page->resize(1400, 900);
    page->grab().save("/tmp/explorer-1400.png");
    page->resize(900, 600);
    page->grab().save("/tmp/explorer-900.png");
}

// Keys, buttons and the menu move through the browsed server by the model's commands.
TEST_F(ServerExplorerPageTest, CommandsReachTheModel) {
    ConnectByButton();
    struct Case {
        const char* what;
        std::function<void()> act;
        std::string path;
    };
    const Case cases[] = {
        {"double click on a share",
         [&] {
             Select("docs");
             page->OpenRowAt(List()->currentIndex().row());
         },
         "\\docs"},
        {"Enter on a folder",
         [&] {
             Select("Album");
             QTest::keyClick(List(), Qt::Key_Return);
         },
         "\\docs\\Album"},
        {"Backspace", [&] { QTest::keyClick(List(), Qt::Key_Backspace); }, "\\docs"},
        {"menu 위로", [&] { MenuAction("위로")->trigger(); }, "\\"},
        {"refresh button",
         [&] { QTest::mouseClick(Find<QPushButton>("explorerRefresh"), Qt::LeftButton); }, "\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        EXPECT_TRUE(At(c.path)) << Explorer().CurrentPath();
    }
    // The download of a selected file goes into the transfer list.
    ASSERT_TRUE(Explorer().OpenPath("\\docs\\Album") == std::nullopt);
    ASSERT_TRUE(At("\\docs\\Album"));
    Select("a.mp3");
    QTest::mouseClick(Find<QPushButton>("explorerDownload"), Qt::LeftButton);
    EXPECT_TRUE(Pump([&] { return !process->Transfers().Members().empty(); }));

    // Link copies go to the clipboard; the member adds reach the friend dialog.
    Select("a.mp3");
    MenuAction("파일 링크 복사")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              Explorer().LinkTextsOf(static_cast<size_t>(RowOf("a.mp3")))->file);
    MenuAction("서버 링크 복사하기(HTML)")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              Explorer().LinkTextsOf(static_cast<size_t>(RowOf("a.mp3")))->serverHtml);
    MenuAction("친구등록")->trigger();
    EXPECT_TRUE(process->FriendDialog().Find(MemberList::kFriends, "kim").has_value());
    std::string noted;
    page->SetNoteHandler([&](const std::string& id) { noted = id; });
    MenuAction("쪽지 보내기")->trigger();
    EXPECT_EQ(noted, "kim");

    QTest::mouseClick(Find<QPushButton>("explorerDisconnect"), Qt::LeftButton);
    EXPECT_TRUE(Pump([&] { return !Explorer().Connected(); }));
    EXPECT_TRUE(Pump([&] { return Find<QPushButton>("explorerConnect")->isEnabled(); }));
}

TEST(ServerExplorerPageFilter, UploadFilterAsQtReadsIt) {
    EXPECT_EQ(QtFileFilter(explorer_text::kPickFilter), "모든 파일 (*)");
    EXPECT_EQ(QtFileFilter("Text (*.txt)"), "Text (*.txt)");
}

TEST_F(ServerExplorerPageTest, MenuHasItsCommandsInOrder) {
    std::vector<QString> texts;
    for (QAction* action : page->FileListMenu()->actions()) {
        if (!action->isSeparator()) texts.push_back(action->text());
    }
    EXPECT_EQ(texts, (std::vector<QString>{"다운로드", "업로드", "위로", "새로고침", "친구등록",
                                           "접근거부자등록", "파일 링크 복사",
                                           "파일 링크 복사(HTML)", "서버 링크 복사하기",
                                           "서버 링크 복사하기(HTML)", "쪽지 보내기"}));
}

// The folder chosen for download comes back as a summary; the dialog keeps a
// refused name and its confirmation reserves the folder's files.
TEST_F(ServerExplorerPageTest, FolderDownloadDialogConfirmsThroughTheExplorer) {
    ConnectByButton();
    ASSERT_TRUE(Explorer().OpenPath("\\docs") == std::nullopt);
    ASSERT_TRUE(At("\\docs"));
    Select("Album");
    QTest::mouseClick(Find<QPushButton>("explorerDownload"), Qt::LeftButton);
    ASSERT_TRUE(Pump(
        [&] { return Explorer().Offer() && Explorer().Offer()->remotePath == "\\docs\\Album"; }));
    FolderDownloadOffer offer = *Explorer().Offer();
    EXPECT_EQ(offer.localName, "Album");
    CFolderDownloadDialog dialog(*process, offer);
    EXPECT_EQ(dialog.windowTitle(), "폴더 다운로드 - 폴더 설정");
    EXPECT_EQ(dialog.NameField()->text(), "Album");
    struct Case {
        QString name;
        std::string message;
    };
    const Case refused[] = {{"", explorer_text::kNoLocalName},
                            {"a/b", explorer_text::kBadLocalName},
                            {"..", explorer_text::kBadLocalName}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name.toStdString());
        dialog.NameField()->setText(c.name);
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_FALSE(ui.Messages().empty());
        EXPECT_NE(ui.Messages().back().find(c.message), std::string::npos) << ui.Messages().back();
    }
    dialog.NameField()->setText("Mine");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(Pump([&] { return Explorer().FolderFilesReserved() == 1; }));
}

// "연결" hands back the chosen ID, "초기화" empties the history, "닫기" closes.
TEST_F(ServerExplorerPageTest, HistoryDialogButtons) {
    ConnectByButton();
    ASSERT_EQ(Explorer().History(), std::vector<std::string>{"kim"});
    {
        CHistoryDialog dialog(Explorer());
        EXPECT_EQ(dialog.windowTitle(), "히스토리 관리");
        ASSERT_EQ(dialog.List()->count(), 1);
        EXPECT_EQ(dialog.List()->item(0)->text(), "kim");
        QTest::mouseClick(dialog.findChild<QPushButton*>("historyConnect"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Chosen(), "kim");
    }
    CHistoryDialog dialog(Explorer());
    QTest::mouseClick(dialog.findChild<QPushButton*>("historyClear"), Qt::LeftButton);
    EXPECT_EQ(dialog.List()->count(), 0);
    EXPECT_TRUE(Explorer().History().empty());
    QTest::mouseClick(dialog.findChild<QPushButton*>("historyConnect"), Qt::LeftButton);
    EXPECT_TRUE(dialog.Chosen().empty());
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("historyClose"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

// A notice is drawn as text: its script does not run, its remote image is
// not fetched and its link is not followed.
TEST_F(ServerExplorerPageTest, NoticeRunsAndLoadsNothing) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    fcntl(listener, F_SETFL, O_NONBLOCK);
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x.png";

    page->ShowNotice("<b>반갑습니다</b><script>document.write('ran')</script><img src=" + url +
                     "><a href=\"" + url + "\">link</a>");
    auto* notice = Find<QTextBrowser>("explorerNotice");
    QSignalSpy clicked(notice, &QTextBrowser::anchorClicked);
    page->grab();
    QCoreApplication::processEvents();
    EXPECT_TRUE(notice->toPlainText().contains("반갑습니다"));
    EXPECT_FALSE(notice->toPlainText().contains("ran"));
    EXPECT_TRUE(notice->source().isEmpty());
    EXPECT_EQ(accept(listener, nullptr, nullptr), -1);
    close(listener);
}

}  // namespace
}  // namespace velorin
