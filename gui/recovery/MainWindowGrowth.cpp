// The window grows: it opens at the size its controls were placed for (scaled by the
// desktop's font) and can be resized and maximised. What a larger window adds goes to
// the lists and trees; the controls below them move down, those at the right edge
// move right, and the rest keep their places.
#include "CommandIds.h"
#include "FileListAdapter.h"
#include "FileListFilterBar.h"
#include "FontScale.h"
#include "MainWindow.h"
#include "PreviewPane.h"

#include <QResizeEvent>
#include <QTreeView>

namespace qr::gui {

namespace item = app::item;

namespace {

// Places in the window's own coordinates (before scaling) that tell a control's part.
constexpr int kRightPanelLeft = 265;
constexpr int kBottomRowTop = 445;
constexpr int kStatusTop = 480;
constexpr int kBackButtonLeft = 540;
constexpr int kProgressTop = 380;
// The browse step's list below the filter box, and the width more than the placed size
// that makes room for the preview beside it.
const QRect kBrowseList(270, 208, 500, 168);
constexpr int kPreviewRoom = 220;

} // namespace

void MainWindow::noteGrowth() {
    auto* central = centralWidget();
    baseSize_ = central->size();
    central->setMinimumSize(baseSize_);
    central->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const auto at = [&](int unscaled) { return static_cast<int>(unscaled * scale_); };
    for (QWidget* child : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect r = child->geometry();
        Growth rule = Growth::None;
        if (r.x() < 0)
            continue; // kept out of sight
        if (r.y() == 0 && r.width() >= baseSize_.width() - 1)
            rule = Growth::Width; // the banner
        else if (child == item(button::kAnimation))
            rule = Growth::MoveX;
        else if (r.y() >= at(kStatusTop))
            rule = Growth::MoveYWidth;
        else if (r.y() >= at(kBottomRowTop))
            rule = r.x() >= at(kBackButtonLeft) ? Growth::MoveXY : Growth::MoveY;
        else if (r.x() < at(kRightPanelLeft) && r.y() > at(140))
            rule = Growth::Height; // the trees and their frame
        else if (child == item(item::kCurrentFolder))
            rule = Growth::Width;
        else if (child == item(item::kDiskStepPanel))
            rule = Growth::MoveY;
        else if (r.y() >= at(kProgressTop) && r.x() >= at(kRightPanelLeft))
            rule = Growth::MoveYWidth; // a search's caption and bar
        else
            continue;
        growth_[child] = {r, rule};
    }
}

void MainWindow::place(QWidget* widget, const QRect& base, Growth rule) {
    growth_[widget] = {base, rule};
    widget->setGeometry(grown(base, rule));
}

QRect MainWindow::grown(const QRect& r, Growth rule) const {
    const QWidget* central = centralWidget();
    const int dx = std::max(0, central->width() - baseSize_.width());
    const int dy = std::max(0, central->height() - baseSize_.height());
    switch (rule) {
    case Growth::None:
        break;
    case Growth::Width:
        return r.adjusted(0, 0, dx, 0);
    case Growth::Height:
        return r.adjusted(0, 0, 0, dy);
    case Growth::Both:
        return r.adjusted(0, 0, dx, dy);
    case Growth::MoveX:
        return r.translated(dx, 0);
    case Growth::MoveY:
        return r.translated(0, dy);
    case Growth::MoveXY:
        return r.translated(dx, dy);
    case Growth::MoveYWidth:
        return r.translated(0, dy).adjusted(0, 0, dx, 0);
    }
    return r;
}

void MainWindow::applyGrowth() {
    if (!centralWidget() || baseSize_.isEmpty())
        return;
    for (auto it = growth_.begin(); it != growth_.end(); ++it)
        it.key()->setGeometry(grown(it->base, it->rule));
    if (filterBar_->isVisibleTo(this)) {
        filterBar_->place(filterBar_->width(), filterBar_->height());
        placeBrowseLists();
    }
    fileList_->refit();
}

void MainWindow::placeBrowseLists() {
    const QRect base = scaled(kBrowseList, scale_);
    const QRect room = grown(base, Growth::Both);
    const bool withPreview = room.width() - base.width() >= scaled(kPreviewRoom, scale_);
    if (!withPreview) {
        fileListView_->setGeometry(room);
        if (preview_->isVisibleTo(this)) {
            preview_->hide();
            preview_->showRow(nullptr);
        }
        return;
    }
    const int gap = scaled(6, scale_);
    const int listWidth = (room.width() - gap) * 3 / 5;
    fileListView_->setGeometry(room.x(), room.y(), listWidth, room.height());
    preview_->setGeometry(room.x() + listWidth + gap, room.y(), room.width() - listWidth - gap,
                          room.height());
    if (!preview_->isVisibleTo(this)) {
        preview_->show();
        previewCurrentRow();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyGrowth();
}

} // namespace qr::gui
