#pragma once
// The server list page: the channel, its category lines and total, the table
// of member servers and the connect commands, all over CServerListView.
#include <QIcon>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTableView;

namespace velorin {

class CProcess;
class CRowTableModel;
class CServerListView;

class CServerListPage : public QWidget {
    Q_OBJECT
public:
    using Handler = std::function<void(const std::string& text)>;

    explicit CServerListPage(CProcess& process, QWidget* parent = nullptr);
    ~CServerListPage() override;

    void Tick();
    // "쪽지 보내기": the addressee's ID, empty without a selected row.
    void SetNoteHandler(Handler handler) { noteHandler_ = std::move(handler); }
    // The help button: the help page's path on the web host.
    void SetHelpHandler(Handler handler) { helpHandler_ = std::move(handler); }

    // The row menu for the current selection; the caller owns it.
    QMenu* CreateRowMenu();
    std::optional<size_t> SelectedRow() const;

private:
    void ShowState();
    void ConnectSelected();
    void CopyLink(bool html);
    void AddMember(bool friends);
    void SendNote();

    CProcess& process_;
    CServerListView& view_;
    CRowTableModel* model_ = nullptr;
    QComboBox* channels_ = nullptr;
    QListWidget* categories_ = nullptr;
    QLabel* total_ = nullptr;
    QTableView* table_ = nullptr;
    QCheckBox* shareOnly_ = nullptr;
    Handler noteHandler_;
    Handler helpHandler_;
    QIcon iconOn_;
    QIcon iconOff_;
};

}  // namespace velorin
