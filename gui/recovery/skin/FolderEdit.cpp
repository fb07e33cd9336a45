#include "skin/FolderEdit.h"

#include "skin/BrowseForFolder.h"

#include <algorithm>

namespace qr::gui {

BrowseButton::BrowseButton(FolderEdit& edit)
    : QPushButton("&Browse", edit.parentWidget()), edit_(edit) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, &edit, &FolderEdit::browse);
}

FolderEdit::FolderEdit(QWidget* parent) : QLineEdit(parent), chooser_(browseForFolder) {}

void FolderEdit::attach(bool oldStyle, const QString& title) {
    oldStyle_ = oldStyle;
    title_ = title;
    if (!button_) {
        button_ = new BrowseButton(*this);
        if (parentWidget())
            button_->setFont(parentWidget()->font());
    }
    placeButton();
    // A box without a parent has nowhere to put its button.
    button_->setVisible(parentWidget() && isVisibleTo(parentWidget()));
}

// One pixel right of the box, the same top and bottom, width = height * 8 / 10 + 25.
void FolderEdit::placeButton() {
    if (!button_)
        return;
    // A caption wider than that widens the button rather than being cut.
    const QRect box = geometry();
    const int width = std::max(box.height() * 8 / 10 + 25, button_->sizeHint().width());
    button_->setGeometry(box.x() + box.width() + 1, box.y(), width, box.height());
}

void FolderEdit::browse() {
    QString folder = text();
    if (chooser_ && chooser_(folder, window(), oldStyle_, title_))
        setText(folder);
    Q_EMIT folderBrowsed(text());
}

void FolderEdit::moveEvent(QMoveEvent* event) {
    QLineEdit::moveEvent(event);
    placeButton();
}

void FolderEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    placeButton();
}

void FolderEdit::showEvent(QShowEvent* event) {
    QLineEdit::showEvent(event);
    if (button_)
        button_->show();
}

void FolderEdit::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    if (button_ && !isVisibleTo(parentWidget()))
        button_->hide();
}

} // namespace qr::gui
