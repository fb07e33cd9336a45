#pragma once
// A dialog that paints a picture as its background, placed by one of thirteen modes.
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

protected:
    void paintEvent(QPaintEvent* event) override;
    // Called after the background is drawn; empty here.
    virtual void onPostEraseBkgnd(QPainter&) {}

private:
    QPixmap bitmap_;
    int mode_ = Tile;
};

} // namespace qr::setupgui
