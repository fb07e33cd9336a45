#include "BkDialogST.h"

#include "FontScale.h"

#include <QApplication>
#include <QPainter>

namespace qr::setupgui {

BkDialogST::BkDialogST(QWidget* parent)
    : QDialog(parent), scale_(gui::layoutScale(QApplication::font())) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ArtScale BkDialogST::artScale() const {
    return {scale_, devicePixelRatioF()};
}

QRect BkDialogST::at(const QRect& layout) const {
    return gui::scaled(layout, scale_);
}

QPoint BkDialogST::at(int x, int y) const {
    return QPoint(gui::scaled(x, scale_), gui::scaled(y, scale_));
}

QSize BkDialogST::at(const QSize& layout) const {
    return gui::scaled(layout, scale_);
}

void BkDialogST::setBitmap(const QPixmap& bitmap) {
    bitmap_ = bitmap;
    update();
}

bool BkDialogST::setMode(int mode) {
    if (mode < Tile || mode > BottomCenter)
        return false;
    mode_ = mode;
    update();
    return true;
}

void BkDialogST::paintEvent(QPaintEvent*) {
    // Drawn off-screen over the window colour, then put on the window in one go, at
    // the screen's pixel ratio so that the picture stays sharp.
    const qreal ratio = devicePixelRatioF();
    QPixmap canvas(size() * ratio);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(palette().color(QPalette::Window));
    {
        QPainter p(&canvas);
        const QRect r = rect();
        const QSize b = bitmap_.deviceIndependentSize().toSize();
        if (!bitmap_.isNull()) {
            switch (mode_) {
            case Tile:
                p.drawTiledPixmap(r, bitmap_);
                break;
            case Center:
                p.drawPixmap((r.width() - b.width()) / 2, (r.height() - b.height()) / 2, bitmap_);
                break;
            case Stretch:
                p.drawPixmap(r, bitmap_);
                break;
            case TileTop:
                p.drawTiledPixmap(QRect(0, 0, r.width(), b.height()), bitmap_);
                break;
            case TileBottom:
                p.drawTiledPixmap(QRect(0, r.height() - b.height(), r.width(), b.height()),
                                  bitmap_);
                break;
            case TileLeft:
                p.drawTiledPixmap(QRect(0, 0, b.width(), r.height()), bitmap_);
                break;
            case TileRight:
                p.drawTiledPixmap(QRect(r.width() - b.width(), 0, b.width(), r.height()), bitmap_);
                break;
            case TopLeft:
                p.drawPixmap(0, 0, bitmap_);
                break;
            case TopRight:
                p.drawPixmap(r.width() - b.width(), 0, bitmap_);
                break;
            case TopCenter:
                p.drawPixmap((r.width() - b.width()) / 2, 0, bitmap_);
                break;
            case BottomLeft:
                p.drawPixmap(0, r.height() - b.height(), bitmap_);
                break;
            case BottomRight:
                p.drawPixmap(r.width() - b.width(), r.height() - b.height(), bitmap_);
                break;
            case BottomCenter:
                p.drawPixmap((r.width() - b.width()) / 2, r.height() - b.height(), bitmap_);
                break;
            }
        }
        onPostEraseBkgnd(p);
    }
    QPainter(this).drawPixmap(0, 0, canvas);
}

} // namespace qr::setupgui
