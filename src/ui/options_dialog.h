#pragma once
// The options sheet: four tab pages over the core's option sheet, the share
// folder lists of the first page over the core's share folder page. OK
// applies the pages in order; a page the core refuses stays shown with the
// dialog open. The autostart box and the share lists take effect at once.
#include <QDialog>
#include <functional>

#include "platform/view_change.h"
#include "views/option_sheet.h"
#include "views/share_folder_page.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QButtonGroup;

namespace velorin {

class CProcess;
class CRowTableModel;

class COptionsDialog : public QDialog {
    Q_OBJECT
public:
    // Runs a dialog this sheet opens; exec() unless a test steps in.
    using DialogRunner = std::function<int(QDialog& dialog)>;

    COptionsDialog(CProcess& process, QWidget* parent = nullptr);
    ~COptionsDialog() override;

    // True when the person confirmed the sheet.
    bool Run();
    void SetShareCheckHandler(std::function<void()> handler) { shareCheck_ = std::move(handler); }
    void SetDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }
    QTabWidget* Tabs() const { return tabs_; }

    // The share lists' buttons.
    void AddFolder();
    void ChangeFolder();
    void DeleteFolder();
    void AddGrant();
    void ChangeGrant();
    void RemoveGrant();

public slots:
    void accept() override;

private:
    QWidget* MakeRequiredPage();
    QWidget* MakeConnectionPage();
    QWidget* MakeTransferPage();
    QWidget* MakeNoticePage();
    QTableView* MakeTable(CRowTableModel* model, const char* name, const char* accessible);

    RequiredOptions RequiredFields() const;
    ConnectionOptions ConnectionFields() const;
    TransferOptions TransferFields() const;
    NoticeOptions NoticeFields() const;
    // The lists as the page holds them, its current rows selected.
    void ShowShareLists();
    int RunDialog(QDialog& dialog);

    COptionSheet sheet_;
    CShareFolderPage page_;
    CViewObservers folderRows_;
    CViewObservers grantRows_;
    CRowTableModel* folderModel_ = nullptr;
    CRowTableModel* grantModel_ = nullptr;
    bool showing_ = false;
    std::function<void()> shareCheck_;
    DialogRunner runner_;

    QTabWidget* tabs_;
    // 필수 설정
    QComboBox* category_ = nullptr;
    QLineEdit* serverName_ = nullptr;
    QLineEdit* downloadPath_ = nullptr;
    QTableView* folders_ = nullptr;
    QTableView* grants_ = nullptr;
    // 연결 설정
    QCheckBox* autoStart_ = nullptr;
    QCheckBox* autoPort_ = nullptr;
    QLineEdit* listenPort_ = nullptr;
    // 전송 설정
    QCheckBox* quickSend_ = nullptr;
    QButtonGroup* continueRecv_ = nullptr;
    QButtonGroup* continueServerRecv_ = nullptr;
    QButtonGroup* tempFile_ = nullptr;
    QButtonGroup* existFile_ = nullptr;
    QSpinBox* maxDown_ = nullptr;
    QSpinBox* maxUp_ = nullptr;
    QCheckBox* writeLog_ = nullptr;
    QLabel* reindexText_ = nullptr;
    // 공지 설정
    QCheckBox* bringMessage_ = nullptr;
    QPlainTextEdit* message_ = nullptr;
};

}  // namespace velorin
