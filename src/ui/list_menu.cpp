#include "ui/list_menu.h"

#include <memory>

namespace velorin {
namespace {

void PointAt(QAbstractItemView& view, const QPoint& at) {
    QItemSelectionModel* selection = view.selectionModel();
    if (!selection) return;
    QModelIndex index = view.indexAt(at);
    if (!index.isValid()) {
        selection->clear();
    } else if (!selection->isSelected(index)) {
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
}

}  // namespace

void AttachMenu(QAbstractItemView& view, std::function<QMenu*()> create) {
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&view, &QWidget::customContextMenuRequested, &view,
                     [&view, create = std::move(create)](const QPoint& at) {
                         PointAt(view, at);
                         std::unique_ptr<QMenu> menu(create());
                         menu->exec(view.viewport()->mapToGlobal(at));
                     });
}

void AttachMenu(QAbstractItemView& view, QMenu& menu) {
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&view, &QWidget::customContextMenuRequested, &menu,
                     [&view, &menu](const QPoint& at) {
                         PointAt(view, at);
                         menu.popup(view.viewport()->mapToGlobal(at));
                     });
}

}  // namespace velorin
