#pragma once
// "친구 관리": the friend list and the black list in two tabs, each with add,
// delete and change through the ID dialog, over the core's friend dialog.
#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "platform/view_change.h"
#include "views/friend_dialog.h"

class QLineEdit;
class QTabWidget;
class QTableView;

namespace velorin {

class CProcess;
class CRowTableModel;

// The ID dialog: an ID and a description; a refusal keeps it open.
class CMemberIdDialog : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<PageRefusal(const MemberDialogFields& fields)>;

    CMemberIdDialog(const MemberDialogFields& fields, Apply apply, QWidget* parent = nullptr);

    MemberDialogFields Fields() const;
    void SetFields(const MemberDialogFields& fields);

public slots:
    void accept() override;

private:
    Apply apply_;
    QLineEdit* id_;
    QLineEdit* desc_;
};

class CFriendDialogWindow : public QDialog {
    Q_OBJECT
public:
    // Runs a dialog this window opens; exec() unless a test steps in.
    using DialogRunner = std::function<int(QDialog& dialog)>;

    CFriendDialogWindow(CProcess& process, MemberList tab, QWidget* parent = nullptr);
    ~CFriendDialogWindow() override;

    void SetDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }
    MemberList CurrentList() const;
    QTableView* View(MemberList list) const { return views_[Index(list)]; }

    void Add();
    void Delete();
    void Change();

private:
    static size_t Index(MemberList list) { return static_cast<size_t>(list); }
    QWidget* MakeTab(MemberList list);
    // The core's selection, after its lists were reloaded.
    void Refresh(MemberList list);
    int Run(QDialog& dialog);

    CFriendDialog dialog_;
    std::array<CViewObservers, 2> observers_;
    std::array<CRowTableModel*, 2> models_{};
    std::array<QTableView*, 2> views_{};
    QTabWidget* tabs_;
    DialogRunner runner_;
};

}  // namespace velorin
