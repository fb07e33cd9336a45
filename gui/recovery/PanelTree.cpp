#include "PanelTree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace qr::gui {

PanelTree::PanelTree(QWidget* parent) : QTreeView(parent) {
    header()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
}

QRect PanelTree::checkBoxRect(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                       QStyleOptionViewItem::HasDecoration;
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void PanelTree::mousePressEvent(QMouseEvent* event) {
    QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        bool onCheckBox = index.data(Qt::CheckStateRole).isValid() &&
                          checkBoxRect(index).contains(event->position().toPoint());
        if (onCheckBox) {
            Q_EMIT itemClicked(index, true); // the tree's own toggling is not run
            return;
        }
        QTreeView::mousePressEvent(event);
        Q_EMIT itemClicked(index, false);
        return;
    }
    QTreeView::mousePressEvent(event);
}

void PanelTree::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT enterPressed();
        return;
    case Qt::Key_Left:
        Q_EMIT leftPressed();
        break;
    case Qt::Key_Right:
        Q_EMIT rightPressed();
        break;
    default:
        break;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace qr::gui
