#include "skin/ImageButton.h"

#include <QPainter>

namespace qr::gui {

ImageButton::ImageButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void ImageButton::setImages(const QPixmap& normal, const QPixmap& pressed,
                            const QPixmap& disabled) {
    images_[0] = normal;
    images_[1] = pressed;
    images_[2] = disabled;
    imageCount_ = normal.isNull() ? 0 : pressed.isNull() ? 1 : disabled.isNull() ? 2 : 3;
    update();
}

void ImageButton::setTooltipText(const QString& text, bool active) {
    setToolTip(active ? text : QString());
}

const QPixmap& ImageButton::currentImage() const {
    if (!isEnabled() && imageCount_ == 3)
        return images_[2];
    if (isDown() && imageCount_ >= 2)
        return images_[1];
    return images_[0];
}

QSize ImageButton::sizeHint() const {
    return imageCount_ > 0 ? images_[0].size() : QPushButton::sizeHint();
}

void ImageButton::paintEvent(QPaintEvent* event) {
    if (imageCount_ == 0) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), currentImage());
    if (!text().isEmpty()) {
        painter.setPen(isEnabled() ? Qt::white : QColor(200, 200, 200));
        QRect r = rect();
        if (isDown())
            r.translate(1, 1);
        painter.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }
    if (hasFocus()) {
        painter.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

} // namespace qr::gui
