#pragma once
// The windows of the recovery program and of the installer place their controls at
// fixed spots, sized for a 9-point DejaVu Sans. A larger desktop font scales that whole
// layout, the window and its pictures included, in proportion, so that no text is cut
// and no control runs into another. A smaller one never shrinks it.
#include <QRect>
#include <QSize>

class QFont;
class QWidget;

namespace qr::gui {

// How many times larger than the layout's own font `font` is; never below 1.
double layoutScale(const QFont& font);
// A rectangle of the fixed layout at scale `k`.
QRect scaled(const QRect& r, double k);
QSize scaled(const QSize& s, double k);
int scaled(int length, double k);
// Scales a window laid out by hand at the scale of its font: its fixed size and the
// place of every control in it, inside its frames and panels too. Controls that lay
// out their own parts (lists, combo boxes) keep doing so. Returns the scale used.
double fitToFont(QWidget* window);

} // namespace qr::gui
