#pragma once
// The skin's images and the small helpers that put them on windows and buttons.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

namespace qr::gui {

class ImageButton;

QPixmap skinImage(const char* name); // ":/images/<name>.png"
// An image button with the three button images, a caption and a tooltip.
ImageButton* makeImageButton(const QString& caption, const QString& tooltip, QWidget* parent);
// The same, 96 x 28 at (x, y).
ImageButton* placeButton(const QString& caption, const QString& tooltip, QWidget* parent, int x,
                         int y);
// A text label at a fixed place; `wrap` breaks long texts into lines.
QLabel* placeLabel(const QString& text, QWidget* parent, const QRect& geometry, bool wrap = false,
                   bool bold = false);
// An edit box at a fixed place.
QLineEdit* placeEdit(QWidget* parent, const QRect& geometry);

// A dialog whose background image is stretched over its client area.
class SkinnedDialog : public QDialog {
    Q_OBJECT
public:
    explicit SkinnedDialog(QWidget* parent = nullptr, const char* image = "dialog");
    void setBackground(const QPixmap& pixmap);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap background_;
};

// A label with its own background and text colours.
class ColourLabel : public QLabel {
    Q_OBJECT
public:
    explicit ColourLabel(const QString& text, QWidget* parent = nullptr);
    void setBackColour(const QColor& colour);
    void setTextColour(const QColor& colour);
};

} // namespace qr::gui
