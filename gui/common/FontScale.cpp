#include "FontScale.h"

#include <QFontMetricsF>
#include <QGroupBox>
#include <QLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace qr::gui {

namespace {

// The layout's font, 9-point DejaVu Sans at 96 dots per inch: its line height and the
// width of a sample of letters, digits and the colon the labels end with.
constexpr double kLineHeight = 13.97;
constexpr double kSampleWidth = 476.8;
const char* const kSample = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789 :";

// A widget whose children were placed by hand, not by a layout or by the widget itself.
bool placesByHand(const QWidget* w, const QWidget* window) {
    if (w->layout())
        return false;
    return w == window || qobject_cast<const QGroupBox*>(w) ||
           w->metaObject() == &QWidget::staticMetaObject;
}

void scaleChildren(QWidget* parent, QWidget* window, double k) {
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        child->setGeometry(scaled(child->geometry(), k));
        if (placesByHand(child, window))
            scaleChildren(child, window, k);
    }
}

} // namespace

double layoutScale(const QFont& font) {
    QFontMetricsF metrics(font);
    // A little slack so that rounding never makes a fitting layout grow.
    double k = std::max(metrics.height() / kLineHeight,
                        metrics.horizontalAdvance(QLatin1String(kSample)) / kSampleWidth);
    return k < 1.02 ? 1.0 : k;
}

int scaled(int length, double k) {
    return int(std::lround(length * k));
}

QSize scaled(const QSize& s, double k) {
    return QSize(scaled(s.width(), k), scaled(s.height(), k));
}

QRect scaled(const QRect& r, double k) {
    if (k == 1.0)
        return r;
    // The edges are scaled, not the sizes, so neighbours that touched still touch.
    int left = scaled(r.left(), k), top = scaled(r.top(), k);
    return QRect(left, top, scaled(r.left() + r.width(), k) - left,
                 scaled(r.top() + r.height(), k) - top);
}

double fitToFont(QWidget* window) {
    double k = layoutScale(window->font());
    if (k == 1.0 || !placesByHand(window, window))
        return k;
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(scaled(window->minimumWidth(), k), scaled(window->minimumHeight(), k));
    else
        window->resize(scaled(window->width(), k), scaled(window->height(), k));
    scaleChildren(window, window, k);
    return k;
}

} // namespace qr::gui
