#pragma once
// Windows whose background is one image drawn over the whole client area. The image
// is composed off screen at the client size and copied in one go, so resizing never
// flickers; without an image (or when it cannot be loaded) the plain background shows.
#include <QDialog>
#include <QPixmap>
#include <QWidget>

namespace qr::gui {

// The image and the off-screen copy both surfaces below share.
class SkinBackground {
public:
    // False (and the plain look) when the image is null.
    bool set(const QPixmap& image);
    bool isSet() const { return !image_.isNull(); }
    QSize size() const { return size_; }
    // Paints the client area of `surface` (after its own plain fill) from the off-screen copy.
    void paint(QWidget& surface);
    // The client size changed: the off-screen copy is made again at the next paint.
    void resized() { cache_ = QPixmap(); }

private:
    QPixmap image_;
    QSize size_;
    QPixmap cache_;
};

class SkinnedDialog : public QDialog {
    Q_OBJECT
public:
    // `image` names a picture of the skin (":/images/<image>.png").
    explicit SkinnedDialog(QWidget* parent = nullptr, const char* image = "dialog");
    // Loads the image, records its size and repaints; false when it could not be loaded.
    bool setBackground(const QPixmap& image);
    bool setBackground(const QString& file);
    QSize backgroundSize() const { return background_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    SkinBackground background_;
};

// The same background on a plain widget: the main window's client area.
class SkinnedPanel : public QWidget {
    Q_OBJECT
public:
    explicit SkinnedPanel(QWidget* parent = nullptr);
    bool setBackground(const QPixmap& image);
    QSize backgroundSize() const { return background_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    SkinBackground background_;
};

} // namespace qr::gui
