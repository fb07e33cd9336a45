#include "skin/SkinnedDialog.h"

#include "skin/Skin.h"

#include <QPainter>

namespace qr::gui {

bool SkinBackground::set(const QPixmap& image) {
    if (image.cacheKey() == image_.cacheKey() && !image.isNull())
        return true;
    image_ = image;
    size_ = image.isNull() ? QSize() : image.size();
    cache_ = QPixmap();
    return !image_.isNull();
}

void SkinBackground::paint(QWidget& surface) {
    if (image_.isNull())
        return;
    const QSize client = surface.size();
    const qreal ratio = surface.devicePixelRatioF();
    if (cache_.deviceIndependentSize().toSize() != client || cache_.devicePixelRatio() != ratio) {
        cache_ = QPixmap(client * ratio);
        cache_.setDevicePixelRatio(ratio);
        cache_.fill(surface.palette().color(surface.backgroundRole()));
        QPainter p(&cache_);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(QRect(QPoint(0, 0), client), image_);
    }
    QPainter painter(&surface);
    painter.drawPixmap(0, 0, cache_);
}

SkinnedDialog::SkinnedDialog(QWidget* parent, const char* image) : QDialog(parent) {
    setBackground(skinImage(image));
}

bool SkinnedDialog::setBackground(const QPixmap& image) {
    bool loaded = background_.set(image);
    update();
    return loaded;
}

bool SkinnedDialog::setBackground(const QString& file) {
    return setBackground(QPixmap(file));
}

void SkinnedDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    background_.paint(*this);
}

void SkinnedDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    background_.resized();
    if (background_.isSet())
        update();
}

SkinnedPanel::SkinnedPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
}

bool SkinnedPanel::setBackground(const QPixmap& image) {
    bool loaded = background_.set(image);
    update();
    return loaded;
}

void SkinnedPanel::paintEvent(QPaintEvent*) {
    background_.paint(*this);
}

void SkinnedPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    background_.resized();
    if (background_.isSet())
        update();
}

} // namespace qr::gui
