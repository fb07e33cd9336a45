#pragma once
// A dialog with a background picture tiled from the top-left corner, centred or
// stretched over the client area. Without a picture the plain dialog background shows.
#include <QDialog>
#include <QPixmap>

namespace qr::gui {

class PictureDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { Tile = 0, Centre = 1, Stretch = 2 };

    explicit PictureDialog(QWidget* parent = nullptr);
    // False (and the plain background) when the picture is null or cannot be read.
    bool setBackground(const QPixmap& picture);
    bool setBackground(const QString& file);
    // Modes other than the three are refused (false) and leave the mode as it was.
    bool setMode(int mode);
    int mode() const { return mode_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
    int mode_ = Tile;
};

} // namespace qr::gui
