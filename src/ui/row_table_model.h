#pragma once
// A Qt table model over one of the core's view models: the rows stay in the
// core, each column reads them through a function, and the model's changes
// (posted on the loop's thread after the core has changed) become Qt's row
// signals, so that views repaint only what changed and never a widget per row.
#include <QAbstractTableModel>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

#include "platform/view_change.h"

namespace velorin {

class CRowTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString header;
        // The row's value for a role (Qt::DisplayRole, DecorationRole, UserRole for sorting ...).
        std::function<QVariant(size_t row, int role)> data;
    };

    // `count` is the core model's row count as it stands.
    CRowTableModel(CViewObservers& observers, std::function<size_t()> count,
                   std::vector<Column> columns, QObject* parent = nullptr);
    ~CRowTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Re-reads everything (after the core model was replaced wholesale).
    void Reset();

signals:
    // A change outside the rows (ViewChange::kState).
    void stateChanged();

private:
    void OnChange(const ViewChange& change);

    CViewObservers& observers_;
    std::function<size_t()> count_;
    std::vector<Column> columns_;
    // The count Qt has been told of; the core may be ahead until its change arrives.
    size_t rows_ = 0;
    int token_ = 0;
};

}  // namespace velorin
