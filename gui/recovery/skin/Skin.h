#pragma once
// The skin's images and the small helpers that put them on windows and buttons.
#include "skin/ColourControls.h"
#include "skin/PictureDialog.h"
#include "skin/SkinnedDialog.h"

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

} // namespace qr::gui
