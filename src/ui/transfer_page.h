#pragma once
// The transfer page: the members with transfers, the selected member's
// entries with their progress, the commands on them, and the two speed graphs.
// Rows, texts and every command's effect are the core's.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QListView;
class QMenu;
class QStringListModel;
class QTableView;

namespace velorin {

class CProcess;
class CRowTableModel;
class CSpeedGraph;

class CTransferPage : public QWidget {
    Q_OBJECT
public:
    explicit CTransferPage(CProcess& process, QWidget* parent = nullptr);
    ~CTransferPage() override;

    // The main window's tick: feeds the graphs from the core's speed sums.
    void Tick();

    // The commands, on the selected member and its selected rows.
    void StopSelected();
    void RestartSelected();
    // `withReceived` also deletes what a download has received so far.
    void RemoveSelected(bool withReceived);
    void ClearMemberCompleted();
    void ClearAllCompleted();
    void OpenDownloadFolder();
    // Opens the first selected completed file with the desktop's program.
    void RunSelected();
    // The selected rows' file links, one a line, to the clipboard.
    void CopyLinks(bool html);

    QMenu* RowMenu() const { return menu_; }
    // Enables the row menu's items for the selection; run as it opens.
    void UpdateRowMenu();
    // The member list's menu on the selected member; the caller owns it.
    QMenu* CreateMemberMenu();
    void BrowseSelectedMember();

    // "접속" on a member: the explorer page on its server.
    std::function<void(const std::string& id)> onBrowse;
    // "쪽지 보내기"; the note window is the main window's.
    std::function<void(const std::string& id)> onNote;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowMembers();
    void OnMemberPicked();
    std::vector<size_t> SelectedRows() const;
    std::vector<std::string> SelectedNames() const;
    std::string SelectedMember() const;

    CProcess& process_;
    QStringListModel* members_ = nullptr;
    QListView* memberList_ = nullptr;
    CRowTableModel* files_ = nullptr;
    QTableView* fileList_ = nullptr;
    CSpeedGraph* downloadGraph_ = nullptr;
    CSpeedGraph* uploadGraph_ = nullptr;
    QMenu* menu_ = nullptr;
    // The member list is being set from the core: a selection then is not the person's.
    bool showing_ = false;
};

}  // namespace velorin
