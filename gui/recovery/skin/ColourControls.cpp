#include "skin/ColourControls.h"

namespace qr::gui {

namespace {

// Sets one colour role of the widget's palette and repaints it straight away.
void recolour(QWidget& w, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = w.palette();
    p.setColor(QPalette::Active, role, colour);
    p.setColor(QPalette::Inactive, role, colour);
    p.setColor(QPalette::Disabled, role, colour);
    w.setPalette(p);
    w.repaint();
}

} // namespace

ColourEdit::ColourEdit(QWidget* parent) : QLineEdit(parent) {
    recolour(*this, QPalette::Base, palette().color(QPalette::Button));
    recolour(*this, QPalette::Text, Qt::black);
}

void ColourEdit::setBackColour(const QColor& colour) {
    recolour(*this, QPalette::Base, colour);
}

void ColourEdit::setTextColour(const QColor& colour) {
    recolour(*this, QPalette::Text, colour);
}

QColor ColourEdit::backColour() const {
    return palette().color(QPalette::Base);
}

QColor ColourEdit::textColour() const {
    return palette().color(QPalette::Text);
}

ColourLabel::ColourLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAutoFillBackground(true);
    setWordWrap(true);
    recolour(*this, QPalette::Window, palette().color(QPalette::Button));
    recolour(*this, QPalette::WindowText, Qt::black);
}

void ColourLabel::setBackColour(const QColor& colour) {
    recolour(*this, QPalette::Window, colour);
}

void ColourLabel::setTextColour(const QColor& colour) {
    recolour(*this, QPalette::WindowText, colour);
}

QColor ColourLabel::backColour() const {
    return palette().color(QPalette::Window);
}

QColor ColourLabel::textColour() const {
    return palette().color(QPalette::WindowText);
}

} // namespace qr::gui
