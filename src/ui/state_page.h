#pragma once
// Page 5: the current state of the member's own server, and below it the
// activity log ("시간", "상태", "설명", an icon per kind, at most 101 rows)
// with its menu "삭제", "모두 삭제", "로그 보기".
#include <QTableView>
#include <QWidget>
#include <functional>

#include "ui/row_table_model.h"

class QMenu;

namespace velorin {

class CActivityLog;

class CStatePage : public QWidget {
    Q_OBJECT
public:
    CStatePage(CActivityLog& log, QWidget* parent = nullptr);

    QTableView* LogView() const { return log_; }
    CRowTableModel* LogModel() const { return model_; }
    // The visitors' part of the page, when it exists.
    void SetServerPart(QWidget* part);
    void Tick() {}

    // "로그 보기".
    std::function<void()> onOpenLogFolder;

    void RemoveSelected();
    void RemoveAll();
    // The log's menu; "삭제" wants a selection. The caller owns it.
    QMenu* CreateLogMenu();

private:
    CActivityLog& activity_;
    QTableView* log_;
    CRowTableModel* model_;
};

}  // namespace velorin
