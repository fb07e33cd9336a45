#include "skin/ImageButton.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace qr::gui {

ImageButton::ImageButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void ImageButton::setImages(const QPixmap& normal, const QPixmap& pressed,
                            const QPixmap& disabled) {
    images_[0] = normal;
    images_[1] = pressed;
    images_[2] = disabled;
    // The images that count are the leading ones of the normal image's size.
    imageCount_ = 0;
    for (const QPixmap& image : images_) {
        if (image.isNull() || image.size() != normal.size())
            break;
        ++imageCount_;
    }
    if (imageCount_ > 0)
        resize(images_[0].deviceIndependentSize().toSize());
    updateGeometry();
    update();
}

void ImageButton::setImages(const QString& normal, const QString& pressed,
                            const QString& disabled) {
    auto load = [](const QString& file) { return file.isEmpty() ? QPixmap() : QPixmap(file); };
    setImages(load(normal), load(pressed), load(disabled));
}

void ImageButton::setTooltipText(const QString& text, bool active) {
    setToolTip(active ? text : QString());
}

void ImageButton::setCaptionColours(const QColor& normal, const QColor& disabled) {
    captionColour_ = normal;
    disabledCaptionColour_ = disabled;
    update();
}

void ImageButton::setCaptionPosition(std::optional<QPoint> position) {
    captionPosition_ = position;
    update();
}

void ImageButton::setCaptionFont(std::optional<QFont> font) {
    captionFont_ = std::move(font);
    update();
}

const QPixmap& ImageButton::currentImage() const {
    static const QPixmap none;
    if (imageCount_ == 0)
        return none;
    if (!isEnabled() && imageCount_ == 3)
        return images_[2];
    if (isDown() && imageCount_ >= 2)
        return images_[1];
    return images_[0];
}

QSize ImageButton::sizeHint() const {
    return imageCount_ > 0 ? images_[0].deviceIndependentSize().toSize() : QPushButton::sizeHint();
}

void ImageButton::paintEvent(QPaintEvent* event) {
    if (imageCount_ == 0) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    // A pushed button frame under the image shows through its transparent parts.
    QStyleOptionButton base;
    initStyleOption(&base);
    base.state |= QStyle::State_Sunken;
    base.text.clear();
    style()->drawControl(QStyle::CE_PushButtonBevel, &base, &painter, this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), currentImage());
    if (!text().isEmpty()) {
        painter.setPen(isEnabled() ? captionColour_ : disabledCaptionColour_);
        if (captionFont_)
            painter.setFont(*captionFont_);
        const int flags = Qt::TextSingleLine | Qt::TextShowMnemonic;
        if (captionPosition_) {
            painter.drawText(QRect(*captionPosition_, size()), flags, text());
        } else {
            QRect r = rect();
            if (isDown())
                r.translate(1, 1);
            painter.drawText(r, flags | Qt::AlignCenter, text());
        }
    }
    if (hasFocus()) {
        painter.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void ImageButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

} // namespace qr::gui
