#include "ui/options_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>

#include "data/settings.h"
#include "support/process_fixture.h"
#include "ui/friend_dialog_window.h"
#include "ui/grant_dialog.h"
#include "ui/share_folder_dialog.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

template <typename T>
T* Find(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void Click(QWidget& parent, const char* name) {
    if (auto* button = Find<QPushButton>(parent, name)) button->click();
}

std::string Cell(QTableView* view, int row, int column) {
    return view->model()->index(row, column).data().toString().toStdString();
}

class OptionsDialogTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        QApplication::setFont(QFont("NanumGothic", 10));
        StartProcess();
        fs::create_directories(dir / "downloads");
        fs::create_directories(dir / "music");
    }
    uint32_t Stored(const char* name) {
        uint32_t value = 0;
        return process->Registry().ReadDword(kAppKey, name, value) ? value : 99;
    }
    std::string Path(const char* name) { return (dir / name).string(); }

    // The folder dialog the sheet opens gets `fields`, then OK.
    COptionsDialog::DialogRunner AcceptFolder(FolderDialogFields fields) {
        return [fields](QDialog& dialog) {
            auto& folder = dynamic_cast<CShareFolderDialog&>(dialog);
            folder.SetFields(fields);
            folder.accept();
            return folder.result();
        };
    }
};

TEST_F(OptionsDialogTest, PagesOpenWithTheStoredValues) {
    CSettings& settings = process->Settings();
    settings.Write(setting::DataGroup, 2);
    settings.SetServerName("맘껏 퍼 가세요!");
    settings.SetDownloadPath(Path("downloads"));
    settings.Write(setting::AUTOPORT, 1);
    settings.Write(setting::LISTENPORT, 9100);
    settings.Write(setting::QUICKSEND, 0);
    settings.Write(setting::ContinueRecv, 2);
    settings.Write(setting::ContinueServerRecv, 1);
    settings.Write(setting::TempFile, 1);
    settings.Write(setting::ExistFileTransReserve, 0);
    settings.Write(setting::MAXDOWN, 7);
    settings.Write(setting::MAXUP, static_cast<uint32_t>(-4));
    settings.Write(setting::WriteLog, 0);
    settings.Write(setting::BringMessage, 1);
    settings.SetMessage("<b>어서 오세요</b>");

    COptionsDialog sheet(*process);
    EXPECT_EQ(sheet.Tabs()->count(), 4);
    EXPECT_EQ(sheet.Tabs()->tabText(0), "필수 설정");
    EXPECT_EQ(Find<QComboBox>(sheet, "category")->currentText(), "음악");
    EXPECT_EQ(Find<QLineEdit>(sheet, "serverName")->text(), "맘껏 퍼 가세요!");
    EXPECT_EQ(Find<QLineEdit>(sheet, "downloadPath")->text().toStdString(), Path("downloads"));
    EXPECT_TRUE(Find<QCheckBox>(sheet, "autoStart")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(sheet, "autoPort")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(sheet, "listenPort")->text(), "9100");
    EXPECT_FALSE(Find<QCheckBox>(sheet, "quickSend")->isChecked());
    struct Choice {
        const char* name;
        int id;
    } choices[] = {{"continueRecv", 2},
                   {"continueServerRecv", 1},
                   {"tempFile", 1},
                   {"existFileTransReserve", 0}};
    for (const Choice& c : choices) {
        EXPECT_EQ(Find<QButtonGroup>(sheet, c.name)->checkedId(), c.id) << c.name;
    }
    EXPECT_EQ(Find<QSpinBox>(sheet, "maxDown")->value(), 7);
    EXPECT_EQ(Find<QSpinBox>(sheet, "maxUp")->value(), 5);
    EXPECT_FALSE(Find<QCheckBox>(sheet, "writeLog")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(sheet, "bringMessage")->isChecked());
    EXPECT_EQ(Find<QPlainTextEdit>(sheet, "message")->toPlainText(), "<b>어서 오세요</b>");
    // Opening the connection page reads AutoTryTrans.
    EXPECT_EQ(Stored("AutoTryTrans"), 1u);
}

// A refused field shows its text, keeps the sheet open on its page and stores nothing.
TEST_F(OptionsDialogTest, ARefusedFieldKeepsTheSheetOpenOnItsPage) {
    struct Case {
        const char* name;
        std::function<void(COptionsDialog&)> edit;
        int tab;
        const char* text;
    } cases[] = {
        {"long server name",
         [](COptionsDialog& d) {
             Find<QLineEdit>(d, "serverName")->setText(QString(45, 'x') + "가나하");
         },
         0, option_text::kLongServerName},
        {"relative download folder",
         [](COptionsDialog& d) { Find<QLineEdit>(d, "downloadPath")->setText("downloads"); }, 0,
         option_text::kBadDownloadPath},
        {"port with letters",
         [](COptionsDialog& d) { Find<QLineEdit>(d, "listenPort")->setText("80x"); }, 1,
         option_text::kBadPort},
        {"port out of range",
         [](COptionsDialog& d) { Find<QLineEdit>(d, "listenPort")->setText("65536"); }, 1,
         option_text::kBadPort},
        {"notice over 2000 bytes",
         [](COptionsDialog& d) {
             Find<QPlainTextEdit>(d, "message")->setPlainText(QString(1001, QChar(0xAC00)));
         },
         3, option_text::kLongMessage},
    };
    uint32_t port = Stored("LISTENPORT");
    for (const Case& c : cases) {
        COptionsDialog sheet(*process);
        c.edit(sheet);
        Find<QCheckBox>(sheet, "bringMessage")->setChecked(true);
        size_t before = ui.Messages().size();
        sheet.accept();
        EXPECT_EQ(sheet.result(), QDialog::Rejected) << c.name;
        EXPECT_EQ(sheet.Tabs()->currentIndex(), c.tab) << c.name;
        Texts shown = ui.Messages();
        ASSERT_EQ(shown.size(), before + 1) << c.name;
        EXPECT_EQ(shown.back(), c.text) << c.name;
    }
    EXPECT_EQ(process->Settings().GetServerName(), "");
    EXPECT_EQ(Stored("LISTENPORT"), port);
    EXPECT_EQ(Stored("BringMessage"), 0u);
    EXPECT_EQ(process->Settings().GetMessage(), "");
}

TEST_F(OptionsDialogTest, OkStoresEveryPageAndCancelOnlyTheAutoStartBox) {
    {
        COptionsDialog sheet(*process);
        Find<QComboBox>(sheet, "category")->setCurrentIndex(4);
        Click(sheet, "randomServerName");
        std::string sample = Find<QLineEdit>(sheet, "serverName")->text().toStdString();
        Find<QLineEdit>(sheet, "downloadPath")->setText(QString::fromStdString(Path("downloads")));
        Find<QLineEdit>(sheet, "listenPort")->setText("9200");
        Find<QButtonGroup>(sheet, "continueRecv")->button(1)->setChecked(true);
        Find<QSpinBox>(sheet, "maxUp")->setValue(9);
        Find<QCheckBox>(sheet, "writeLog")->setChecked(false);
        Find<QCheckBox>(sheet, "bringMessage")->setChecked(true);
        Find<QPlainTextEdit>(sheet, "message")->setPlainText("안녕하세요");
        sheet.accept();
        EXPECT_EQ(sheet.result(), QDialog::Accepted) << testing::PrintToString(ui.Messages());
        EXPECT_EQ(Stored("DataGroup"), 4u);
        EXPECT_EQ(process->Settings().GetServerName(), sample);
        EXPECT_EQ(process->Options().DownloadPath(), Path("downloads"));
        EXPECT_EQ(Stored("LISTENPORT"), 9200u);
        EXPECT_EQ(Stored("ContinueRecv"), 1u);
        EXPECT_EQ(Stored("MAXUP"), 9u);
        EXPECT_EQ(process->Options().WriteLog, 0u);
        EXPECT_EQ(process->Options().Message(), "안녕하세요");
    }
    COptionsDialog sheet(*process);
    Find<QLineEdit>(sheet, "listenPort")->setText("9300");
    Find<QCheckBox>(sheet, "autoStart")->setChecked(false);
    sheet.reject();
    EXPECT_EQ(Stored("LISTENPORT"), 9200u);
    EXPECT_EQ(Stored("AutoStart"), 0u);
    EXPECT_FALSE(fs::exists(dir / "config/autostart/velorin.desktop"));
    EXPECT_TRUE(ui.Messages().empty()) << ui.Messages().front();
}

TEST_F(OptionsDialogTest, ButtonsOfThePagesAskTheSheet) {
    COptionsDialog sheet(*process);
    int checks = 0;
    sheet.SetShareCheckHandler([&] { ++checks; });
    Click(sheet, "shareCheck");
    EXPECT_EQ(checks, 1);
    Click(sheet, "reindex");
    EXPECT_EQ(Find<QLabel>(sheet, "reindexText")->text(), option_text::kReindexLater);
    Click(sheet, "preview");
    EXPECT_EQ(ui.Messages(), Texts{option_text::kPreviewNeedsBox});
    Find<QCheckBox>(sheet, "bringMessage")->setChecked(true);
    Find<QPlainTextEdit>(sheet, "message")->setPlainText("hi");
    Click(sheet, "preview");
    EXPECT_EQ(ui.Opened().back(), "notice hi");
    Click(sheet, "documentsPath");
    EXPECT_EQ(Find<QLineEdit>(sheet, "downloadPath")->text().toStdString(),
              COptionSheet::DocumentsPath());
    // The edit box takes no more than the stored text can hold.
    Find<QPlainTextEdit>(sheet, "message")->setPlainText(QString(2100, 'm'));
    EXPECT_EQ(Find<QPlainTextEdit>(sheet, "message")->toPlainText().size(), 2000);
}

// The folder dialog stays open on a refusal; an added folder is current with its "[all]" grant.
TEST_F(OptionsDialogTest, AddedFolderShowsWithItsEveryoneGrant) {
    COptionsDialog sheet(*process);
    int runs = 0;
    sheet.SetDialogRunner([&](QDialog& dialog) {
        ++runs;
        auto& folder = dynamic_cast<CShareFolderDialog&>(dialog);
        EXPECT_EQ(folder.windowTitle(), "공유 폴더 설정");
        folder.SetFields({"music", "", ""});
        folder.accept();
        EXPECT_EQ(folder.result(), QDialog::Rejected);
        folder.SetFields({" music ", Path("music"), "노래"});
        folder.accept();
        return folder.result();
    });
    Click(sheet, "folderAdd");
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ui.Messages(), Texts{share_text::kNameOrPathMissing});
    auto* folders = Find<QTableView>(sheet, "folderList");
    auto* grants = Find<QTableView>(sheet, "grantList");
    ASSERT_EQ(folders->model()->rowCount(), 1);
    EXPECT_EQ(Cell(folders, 0, 0), "music");
    EXPECT_EQ(Cell(folders, 0, 1), Path("music"));
    EXPECT_EQ(Cell(folders, 0, 2), "노래");
    EXPECT_EQ(folders->currentIndex().row(), 0);
    ASSERT_EQ(grants->model()->rowCount(), 1);
    EXPECT_EQ(Cell(grants, 0, 0), kEveryone);
    EXPECT_EQ(Cell(grants, 0, 1), PermissionText(kNewFolderPermission));
    EXPECT_EQ(Cell(grants, 0, 2), kNewFolderGrantDesc);
    EXPECT_EQ(grants->model()->headerData(1, Qt::Horizontal).toString(), "권한");

    // A second sheet reads what the first wrote at once.
    COptionsDialog again(*process);
    EXPECT_EQ(Find<QTableView>(again, "folderList")->model()->rowCount(), 1);
}

TEST_F(OptionsDialogTest, GrantDialogLocksTheIdForEveryoneAndDownloadTicksBrowse) {
    COptionsDialog sheet(*process);
    sheet.SetDialogRunner(AcceptFolder({"music", Path("music"), ""}));
    Click(sheet, "folderAdd");
    sheet.SetDialogRunner([&](QDialog& dialog) {
        auto& grant = dynamic_cast<CGrantDialog&>(dialog);
        EXPECT_EQ(grant.windowTitle(), "권한 설정");
        auto* id = Find<QLineEdit>(grant, "grantId");
        auto* everyone = Find<QCheckBox>(grant, "grantEveryone");
        everyone->setChecked(true);
        EXPECT_EQ(id->text(), kEveryone);
        EXPECT_TRUE(id->isReadOnly());
        everyone->setChecked(false);
        EXPECT_EQ(id->text(), "");
        EXPECT_FALSE(id->isReadOnly());
        id->setText("kim");
        Find<QCheckBox>(grant, "grantDownload")->setChecked(true);
        grant.accept();
        EXPECT_TRUE(Find<QCheckBox>(grant, "grantBrowse")->isChecked());
        return grant.result();
    });
    Click(sheet, "grantAdd");
    EXPECT_EQ(ui.Messages(), Texts{share_text::kDownloadImpliesBrowseOnAdd});
    auto* grants = Find<QTableView>(sheet, "grantList");
    ASSERT_EQ(grants->model()->rowCount(), 2);
    EXPECT_EQ(Cell(grants, 1, 0), "kim");
    EXPECT_EQ(Cell(grants, 1, 1), PermissionText(3));

    // Changing the "[all]" grant opens with the box ticked and the ID locked.
    grants->setCurrentIndex(grants->model()->index(0, 0));
    sheet.SetDialogRunner([&](QDialog& dialog) {
        auto& grant = dynamic_cast<CGrantDialog&>(dialog);
        EXPECT_TRUE(Find<QCheckBox>(grant, "grantEveryone")->isChecked());
        EXPECT_TRUE(Find<QLineEdit>(grant, "grantId")->isReadOnly());
        Find<QCheckBox>(grant, "grantDownload")->setChecked(false);
        grant.accept();
        return grant.result();
    });
    Click(sheet, "grantChange");
    CShareFolderPage page = process->ShareFolderPage();
    page.SelectFolder(0);
    ASSERT_EQ(page.Grants().size(), 2u);
    std::optional<size_t> all = page.FindGrant(kEveryone);
    ASSERT_TRUE(all);
    EXPECT_EQ(page.Grants()[*all].permission, kPermissionBrowse);
    EXPECT_EQ(page.Grants()[*page.FindGrant("kim")].permission, 3u);

    // Removing asks, and the last grant stays.
    grants->setCurrentIndex(grants->model()->index(1, 0));
    ui.answer = false;
    Click(sheet, "grantDelete");
    EXPECT_EQ(grants->model()->rowCount(), 2);
    EXPECT_EQ(grants->currentIndex().row(), 1);
    ui.answer = true;
    Click(sheet, "grantDelete");
    EXPECT_EQ(ui.Messages().back(), "? " + std::string(share_text::kConfirmRemoveGrant));
    ASSERT_EQ(grants->model()->rowCount(), 1);
    grants->setCurrentIndex(grants->model()->index(0, 0));
    Click(sheet, "grantDelete");
    EXPECT_EQ(ui.Messages().back(), share_text::kLastGrant);
    EXPECT_EQ(grants->model()->rowCount(), 1);
}

TEST_F(OptionsDialogTest, FolderChangeAndDeleteReachTheDatabase) {
    fs::create_directories(dir / "films");
    COptionsDialog sheet(*process);
    Click(sheet, "folderChange");
    EXPECT_EQ(ui.Messages(), Texts{share_text::kSelectFolderToChange});
    sheet.SetDialogRunner(AcceptFolder({"music", Path("music"), ""}));
    Click(sheet, "folderAdd");
    sheet.SetDialogRunner([&](QDialog& dialog) {
        auto& folder = dynamic_cast<CShareFolderDialog&>(dialog);
        EXPECT_EQ(folder.Fields().name, "music");
        folder.SetFields({"films", Path("films"), "영화"});
        folder.accept();
        return folder.result();
    });
    Click(sheet, "folderChange");
    auto* folders = Find<QTableView>(sheet, "folderList");
    ASSERT_EQ(folders->model()->rowCount(), 1);
    EXPECT_EQ(Cell(folders, 0, 0), "films");
    EXPECT_EQ(Find<QTableView>(sheet, "grantList")->model()->rowCount(), 1);
    ui.answer = false;
    Click(sheet, "folderDelete");
    EXPECT_EQ(folders->model()->rowCount(), 1);
    ui.answer = true;
    Click(sheet, "folderDelete");
    EXPECT_EQ(folders->model()->rowCount(), 0);
    EXPECT_EQ(Find<QTableView>(sheet, "grantList")->model()->rowCount(), 0);
    EXPECT_TRUE(process->ShareFolderPage().Folders().empty());
}

class FriendDialogWindowTest : public OptionsDialogTest {
protected:
    // The ID dialog gets each of `entries` in turn, then OK.
    static CFriendDialogWindow::DialogRunner Enter(std::vector<MemberDialogFields> entries) {
        return [entries](QDialog& dialog) {
            auto& id = dynamic_cast<CMemberIdDialog&>(dialog);
            for (const MemberDialogFields& fields : entries) {
                id.SetFields(fields);
                id.accept();
            }
            return id.result();
        };
    }
    static std::vector<std::string> Ids(const std::vector<MemberRow>& rows) {
        std::vector<std::string> ids;
        for (const MemberRow& row : rows) ids.push_back(row.id + "/" + row.desc);
        return ids;
    }
};

TEST_F(FriendDialogWindowTest, AddChangeAndDeleteReachTheDatabase) {
    struct Case {
        MemberList list;
        const char* prefix;
        const char* deleteWithoutSelection;
    } cases[] = {{MemberList::kFriends, "friend", share_text::kSelectFriendToDelete},
                 {MemberList::kBlack, "black", share_text::kSelectId}};
    size_t seen = 0;
    for (const Case& c : cases) {
        CFriendDialogWindow window(*process, c.list);
        EXPECT_EQ(window.windowTitle(), "친구 관리");
        EXPECT_EQ(window.CurrentList(), c.list);
        auto name = [&](const char* button) { return std::string(c.prefix) + button; };
        Click(window, name("Delete").c_str());
        window.SetDialogRunner(Enter({{"", "x"}, {"lee", "친구"}}));
        Click(window, name("Add").c_str());
        window.SetDialogRunner(Enter({{"kim", ""}}));
        Click(window, name("Add").c_str());
        QTableView* view = window.View(c.list);
        ASSERT_EQ(view->model()->rowCount(), 2);
        EXPECT_EQ(Cell(view, 0, 0), "lee");
        EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "설명");
        Click(window, name("Delete").c_str());

        view->setCurrentIndex(view->model()->index(0, 0));
        window.SetDialogRunner([](QDialog& dialog) {
            auto& id = dynamic_cast<CMemberIdDialog&>(dialog);
            EXPECT_EQ(id.Fields().id, "lee");
            id.SetFields({"park", "바뀜"});
            id.accept();
            return id.result();
        });
        Click(window, name("Change").c_str());
        EXPECT_EQ(Cell(view, 0, 0), "park");
        CFriendDialog stored = process->FriendDialog();
        EXPECT_EQ(Ids(stored.Rows(c.list)), (Texts{"park/바뀜", "kim/"}));

        view->setCurrentIndex(view->model()->index(1, 0));
        Click(window, name("Delete").c_str());
        EXPECT_EQ(view->model()->rowCount(), 1);
        EXPECT_EQ(Ids(process->FriendDialog().Rows(c.list)), Texts{"park/바뀜"});
        Texts shown = ui.Messages();
        EXPECT_EQ(Texts(shown.begin() + static_cast<long>(seen), shown.end()),
                  (Texts{share_text::kListEmpty, share_text::kEnterId, c.deleteWithoutSelection}))
            << c.prefix;
        view->setCurrentIndex(view->model()->index(0, 0));
        Click(window, name("Delete").c_str());
        EXPECT_EQ(view->model()->rowCount(), 0);
        seen = ui.Messages().size();
    }
}

}  // namespace
}  // namespace velorin
