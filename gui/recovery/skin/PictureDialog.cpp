#include "skin/PictureDialog.h"

#include <QPainter>

namespace qr::gui {

PictureDialog::PictureDialog(QWidget* parent) : QDialog(parent) {}

bool PictureDialog::setBackground(const QPixmap& picture) {
    picture_ = picture;
    update();
    return !picture_.isNull();
}

bool PictureDialog::setBackground(const QString& file) {
    return setBackground(QPixmap(file));
}

bool PictureDialog::setMode(int mode) {
    if (mode < Tile || mode > Stretch)
        return false;
    mode_ = mode;
    update();
    return true;
}

void PictureDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (picture_.isNull())
        return;
    QPainter p(this);
    switch (mode_) {
    case Tile:
        p.drawTiledPixmap(rect(), picture_);
        break;
    case Centre: {
        QRect r(QPoint(0, 0), picture_.deviceIndependentSize().toSize());
        r.moveCenter(rect().center());
        p.drawPixmap(r.topLeft(), picture_);
        break;
    }
    default:
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(rect(), picture_);
        break;
    }
}

} // namespace qr::gui
