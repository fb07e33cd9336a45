#include "Btn.h"

#include <QEvent>
#include <QPainter>

namespace qr::setupgui {

Btn::Btn(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
}

void Btn::setImages(const std::vector<QPixmap>& images) {
    images_.assign(images.begin(), images.begin() + std::min<std::size_t>(images.size(), 3));
    if (!images_.empty())
        resize(images_.front().deviceIndependentSize().toSize());
    update();
}

void Btn::setDrawCaption(bool draw) {
    drawCaption_ = draw;
    update();
}

const QPixmap& Btn::currentImage() const {
    static const QPixmap none;
    if (images_.empty())
        return none;
    if (!isEnabled() && images_.size() == 3)
        return images_[2];
    if (isDown() && images_.size() >= 2)
        return images_[1];
    return images_[0];
}

QSize Btn::sizeHint() const {
    return images_.empty() ? QPushButton::sizeHint()
                           : images_.front().deviceIndependentSize().toSize();
}

void Btn::paintEvent(QPaintEvent* event) {
    if (images_.empty()) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, currentImage());
    if (drawCaption_ && !text().isEmpty()) {
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    if (hasFocus()) {
        painter.setPen(QPen(QColor(255, 255, 255, 170), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void Btn::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        update();
    QPushButton::changeEvent(event);
}

void Btn::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    update();
}

void Btn::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    update();
}

} // namespace qr::setupgui
