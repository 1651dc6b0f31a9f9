#pragma once
// The upper half of the current-state page: the member's own server as its
// visitors see it. The browsing visitors, the served transfers with their
// commands, the speed limit slider, and the box that keeps the completed
// list ("완료된 목록 로그 남김") with the window that shows it.
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QSlider>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <string>

#include "ui/member_menu.h"
#include "ui/row_table_model.h"

namespace velorin {

class CProcess;
class CServerView;

class CServerStatePart : public QWidget {
    Q_OBJECT
public:
    CServerStatePart(CProcess& process, CServerView& view, QWidget* parent = nullptr);

    void Tick();
    QListView* Visitors() const { return visitors_; }
    QTableView* Transfers() const { return transfers_; }
    QSlider* SpeedLimit() const { return limit_; }
    QLabel* SpeedLimitText() const { return limitText_; }
    QCheckBox* KeepCompleted() const { return keepCompleted_; }
    CRowTableModel* TransferModel() const { return transferModel_; }

    // "쪽지 보내기" to a member; the note window is the main window's.
    std::function<void(const std::string& id)> onNote;
    // "탐색" / "서버에 접속": the explorer page on the member.
    std::function<void(const std::string& id)> onBrowse;

    void RunTransferCommand(const char* keyword);
    // The visitor list's and the served transfers' menus on the selection; the caller owns them.
    QMenu* CreateVisitorMenu();
    QMenu* CreateTransferMenu();
    void ShowCompletedList();

private:
    std::string SelectedVisitor() const;
    std::string SelectedTransferMember() const;
    MemberMenuHooks Hooks();

    CProcess& process_;
    CServerView& view_;
    QLabel* counters_;
    QListView* visitors_;
    QTableView* transfers_;
    CRowTableModel* visitorModel_;
    CRowTableModel* transferModel_;
    QSlider* limit_;
    QLabel* limitText_;
    QCheckBox* keepCompleted_;
};

}  // namespace velorin
