#include "skin/ModeButton.h"

namespace qr::gui {

ModeButton::ModeButton(const QString& caption, int mode, QWidget* parent)
    : QRadioButton(caption, parent), mode_(mode) {
    setMouseTracking(true);
    // The wizard decides which button is checked.
    setAutoExclusive(false);
    connect(this, &QAbstractButton::clicked, this, [this] { choose(); });
}

void ModeButton::enterEvent(QEnterEvent* event) {
    QRadioButton::enterEvent(event);
    choose();
}

void ModeButton::mouseMoveEvent(QMouseEvent* event) {
    QRadioButton::mouseMoveEvent(event);
    if (!isChecked())
        choose();
}

void ModeButton::choose() {
    if (isEnabled())
        Q_EMIT chosen(mode_);
}

} // namespace qr::gui
