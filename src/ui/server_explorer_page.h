#pragma once
// The server explorer page: the user ID field and its buttons, the browsed
// server's folder tree and list, the status strip and the notice, drawn from
// the core's CServerExplorer; every command is the model's own operation.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_interface.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTextBrowser;
class QTreeWidget;

namespace velorin {

class CProcess;
class CExplorerHeaders;
class CRowTableModel;
class CServerExplorer;

// The upload dialog's filter ("모든 파일(*.*)") as Qt's file dialog reads it.
QString QtFileFilter(const std::string& filter);

class CServerExplorerPage : public QWidget {
    Q_OBJECT
public:
    explicit CServerExplorerPage(CProcess& process, QWidget* parent = nullptr);
    ~CServerExplorerPage() override;

    void Tick();

    // Interface calls the main window forwards.
    void OfferFolderDownload(const FolderDownloadOffer& offer);
    std::string PickFile(const std::string& title, const std::string& filter);
    void ShowNotice(const std::string& html);

    // "쪽지 보내기" and "BBS" with the browsed (or selected) member's ID.
    void SetNoteHandler(std::function<void(const std::string& id)> handler);
    void SetBoardHandler(std::function<void(const std::string& id)> handler);

    // The commands, as the buttons and the menu issue them.
    void ConnectToTypedId();
    void UpPath();
    void RefreshList();
    void DownloadSelection();
    void UploadFile();
    void OpenHistory();
    void OpenRowAt(int row);
    std::vector<size_t> SelectedRows() const;

    QMenu* FileListMenu() const { return menu_; }
    // Enables the menu's items for the current selection; run as it opens.
    void UpdateMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CServerExplorer& Model() const;
    void ShowResult(const std::optional<std::string>& result);
    void SyncState();
    void SyncTree();
    void CopyLink(int which);
    void AddMember(bool black);
    std::string MemberOfSelection() const;

    CProcess& process_;
    std::function<void(const std::string&)> noteHandler_;
    std::function<void(const std::string&)> boardHandler_;
    QLineEdit* idField_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* disconnect_ = nullptr;
    QPushButton* ownServer_ = nullptr;
    QPushButton* board_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* upload_ = nullptr;
    QLabel* history_ = nullptr;
    QLabel* path_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QTableView* list_ = nullptr;
    CRowTableModel* rows_ = nullptr;
    CExplorerHeaders* headers_ = nullptr;
    QLabel* status_ = nullptr;
    QTextBrowser* notice_ = nullptr;
    QMenu* menu_ = nullptr;
};

}  // namespace velorin
