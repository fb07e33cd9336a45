#pragma once
// A dialog that paints a picture as its background, placed by one of thirteen modes.
// Its controls are placed at the layout's spots grown by the scale of the desktop's
// font (never shrunk), and its pictures are drawn at that scale.
#include "Artwork.h"

#include <QDialog>
#include <QPixmap>

namespace qr::setupgui {

class BkDialogST : public QDialog {
    Q_OBJECT
public:
    enum Mode {
        Tile = 0,
        Center,
        Stretch,
        TileTop,
        TileBottom,
        TileLeft,
        TileRight,
        TopLeft,
        TopRight,
        TopCenter,
        BottomLeft,
        BottomRight,
        BottomCenter,
    };

    explicit BkDialogST(QWidget* parent = nullptr);

    // Replaces the picture and repaints.
    void setBitmap(const QPixmap& bitmap);
    const QPixmap& bitmap() const { return bitmap_; }
    // False (mode unchanged) for a mode above 12.
    bool setMode(int mode);
    int mode() const { return mode_; }

    // The layout's scale at the desktop's font (1 at the layout's own font or smaller).
    double layoutScale() const { return scale_; }
    // How large the window's pictures are drawn.
    ArtScale artScale() const;
    // A spot or size of the layout, grown by the layout's scale.
    QRect at(const QRect& layout) const;
    QPoint at(int x, int y) const;
    QSize at(const QSize& layout) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Called after the background is drawn; empty here.
    virtual void onPostEraseBkgnd(QPainter&) {}

private:
    QPixmap bitmap_;
    int mode_ = Tile;
    double scale_;
};

} // namespace qr::setupgui
