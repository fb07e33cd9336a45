#include "ColorStatic.h"

#include <QPalette>

namespace qr::setupgui {

ColorStatic::ColorStatic(QWidget* control)
    : QObject(control), control_(control), back_(control->palette().color(QPalette::Button)) {
    setObjectName("ColorStatic");
    control_->setAutoFillBackground(true);
    apply();
}

ColorStatic* ColorStatic::of(QWidget* control) {
    return control ? control->findChild<ColorStatic*>("ColorStatic", Qt::FindDirectChildrenOnly)
                   : nullptr;
}

void ColorStatic::setBkColor(const QColor& colour) {
    back_ = colour;
    apply();
}

void ColorStatic::setTextColor(const QColor& colour) {
    text_ = colour;
    apply();
}

void ColorStatic::apply() {
    QPalette pal = control_->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
        pal.setColor(role, back_);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text})
        pal.setColor(role, text_);
    control_->setPalette(pal);
    control_->update();
}

} // namespace qr::setupgui
