#include "ui/row_table_model.h"

namespace velorin {

CRowTableModel::CRowTableModel(CViewObservers& observers, std::function<size_t()> count,
                               std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent),
      observers_(observers),
      count_(std::move(count)),
      columns_(std::move(columns)),
      rows_(count_()) {
    token_ = observers_.Subscribe([this](const ViewChange& change) { OnChange(change); });
}

CRowTableModel::~CRowTableModel() {
    observers_.Unsubscribe(token_);
}

int CRowTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_);
}

int CRowTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant CRowTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= static_cast<int>(columns_.size())) return {};
    auto row = static_cast<size_t>(index.row());
    // A row the core has dropped but Qt has not been told of yet.
    if (row >= rows_ || row >= count_()) return {};
    return columns_[static_cast<size_t>(index.column())].data(row, role);
}

QVariant CRowTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(columns_.size())) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return columns_[static_cast<size_t>(section)].header;
}

void CRowTableModel::Reset() {
    beginResetModel();
    rows_ = count_();
    endResetModel();
}

void CRowTableModel::OnChange(const ViewChange& change) {
    int first = static_cast<int>(change.first);
    int last = static_cast<int>(change.first + change.count) - 1;
    switch (change.kind) {
        case ViewChange::kInserted:
            if (change.count == 0 || change.first > rows_) return Reset();
            beginInsertRows({}, first, last);
            rows_ += change.count;
            endInsertRows();
            break;
        case ViewChange::kRemoved:
            if (change.count == 0 || change.first + change.count > rows_) return Reset();
            beginRemoveRows({}, first, last);
            rows_ -= change.count;
            endRemoveRows();
            break;
        case ViewChange::kChanged:
            if (change.count == 0) return;
            if (change.first + change.count > rows_) return Reset();
            emit dataChanged(index(first, 0), index(last, columnCount() - 1));
            break;
        case ViewChange::kState:
            emit stateChanged();
            break;
        case ViewChange::kReset:
            Reset();
            break;
    }
}

}  // namespace velorin
