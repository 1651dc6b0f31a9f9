#pragma once
// A list's context menu where the person pointed: the row under the pointer
// becomes the current one (a selection that holds it stays as it is), and
// empty space clears the selection, so that the menu never acts on a row the
// person did not point at.
#include <QAbstractItemView>
#include <QMenu>
#include <functional>

namespace velorin {

// A menu made afresh for each opening; it is deleted when it closes.
void AttachMenu(QAbstractItemView& view, std::function<QMenu*()> create);
// A menu the page keeps; its aboutToShow handlers bring it up to date.
void AttachMenu(QAbstractItemView& view, QMenu& menu);

}  // namespace velorin
