// The window as the wizard and the engines see it: item numbers mapped to controls.
// Calls from worker threads are carried over to the GUI thread.
#include "MainWindow.h"
#include "skin/TextProgress.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QThread>

namespace qr::gui {

namespace item = app::item;

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

void MainWindow::onGui(std::function<void()> fn) {
    if (QThread::currentThread() == thread())
        fn();
    else
        QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void MainWindow::setItemText(int itemId, const std::string& text) {
    onGui([this, itemId, text] {
        QWidget* w = item(itemId);
        QString t = qs(text);
        if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(itemId == item::kCurrentFolder ? "Current Folder  :" + t : t);
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->setText(t);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(t);
        else if (auto* bar = qobject_cast<TextProgress*>(w))
            bar->setText(t);
    });
}

void MainWindow::showItem(int itemId, bool visible) {
    onGui([this, itemId, visible] {
        if (QWidget* w = item(itemId)) {
            w->setVisible(visible);
            if (itemId == item::kSearchView && visible) {
                item(item::kProgressCaption)->show();
                item(item::kProgressBar)->show();
            }
            // The end of a Standard search hides "&Stop Searching": the folders are ready.
            if (itemId == item::kStopSearch && !visible && ctx_->wizardStage == 3)
                showBrowseStep();
        } else if (QAction* a = command(itemId)) {
            a->setVisible(visible);
        }
        relayout();
    });
}

void MainWindow::enableItem(int itemId, bool enabled) {
    onGui([this, itemId, enabled] {
        if (QWidget* w = item(itemId))
            w->setEnabled(enabled);
        if (QAction* a = command(itemId))
            a->setEnabled(enabled);
    });
}

void MainWindow::setProgress(int itemId, int percent) {
    onGui([this, itemId, percent] {
        if (auto* bar = qobject_cast<TextProgress*>(item(itemId)))
            bar->setPos(percent);
    });
}

void MainWindow::selectEntry(int itemId, int index) {
    onGui([this, itemId, index] {
        if (auto* combo = qobject_cast<QComboBox*>(item(itemId)))
            combo->setCurrentIndex(index);
    });
}

std::string MainWindow::itemText(int itemId) {
    QWidget* w = item(itemId);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text().toStdString();
    return {};
}

int MainWindow::selectedEntry(int itemId) {
    auto* combo = qobject_cast<QComboBox*>(item(itemId));
    return combo ? combo->currentIndex() : -1;
}

void MainWindow::checkItem(int itemId, bool checked) {
    onGui([this, itemId, checked] {
        if (auto* button = qobject_cast<QAbstractButton*>(item(itemId)))
            button->setChecked(checked);
    });
}

void MainWindow::focusItem(int itemId) {
    onGui([this, itemId] {
        if (QWidget* w = item(itemId))
            w->setFocus();
    });
}

std::vector<bool> MainWindow::checkedRows(int itemId) {
    std::vector<bool> rows;
    if (auto* list = qobject_cast<QListWidget*>(item(itemId)))
        for (int r = 0; r < list->count(); ++r)
            rows.push_back(list->item(r)->checkState() == Qt::Checked);
    return rows;
}

void MainWindow::setListRows(int itemId, const std::vector<std::string>& rows) {
    if (itemId == item::kFileList) {
        for (const auto& text : rows) {
            model::FileListRow row;
            row.cells[0] = text;
            ctx_->fileList.append(row);
        }
        return;
    }
    onGui([this, itemId, rows] {
        if (auto* list = qobject_cast<QListWidget*>(item(itemId))) {
            list->clear();
            for (const auto& r : rows)
                list->addItem(qs(r));
        }
    });
}

void MainWindow::setSingleColumn(int itemId, const std::string& title, int width) {
    if (itemId != item::kFileList)
        return;
    ctx_->fileList.setColumns({model::ListColumn{title, width, false}});
    ctx_->fileList.clear();
}

void MainWindow::closeWindow() {
    closing_ = true;
    close();
}

} // namespace qr::gui
