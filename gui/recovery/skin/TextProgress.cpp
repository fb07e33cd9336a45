#include "skin/TextProgress.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <utility>

namespace qr::gui {

TextProgress::TextProgress(QWidget* parent) : QWidget(parent) {}

void TextProgress::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    cachedLength_ = -1;
    update();
}

int TextProgress::range(bool minimum, std::pair<int, int>* both) const {
    if (both)
        *both = {minimum_, maximum_};
    return minimum ? minimum_ : maximum_;
}

int TextProgress::setPos(int position) {
    int previous = position_;
    position_ = position;
    int length = barLength();
    if (length != cachedLength_) {
        cachedLength_ = length;
        repaint();
    }
    return previous;
}

int TextProgress::setStep(int step) {
    int previous = step_;
    step_ = step;
    return previous;
}

void TextProgress::showText(bool show) {
    if (show != showText_) {
        showText_ = show;
        update();
    }
}

void TextProgress::setVertical(bool vertical) {
    vertical_ = vertical;
    cachedLength_ = -1;
    update();
}

QColor TextProgress::setBarColour(const QColor& colour) {
    QColor previous = std::exchange(bar_, colour);
    update();
    return previous;
}

QColor TextProgress::setBackColour(const QColor& colour) {
    QColor previous = std::exchange(back_, colour);
    update();
    return previous;
}

QColor TextProgress::setTextColour(const QColor& colour) {
    QColor previous = std::exchange(textColour_, colour);
    update();
    return previous;
}

void TextProgress::setText(const QString& text) {
    if (text != text_) {
        text_ = text;
        update();
    }
}

// Positions outside the range draw an empty or a full bar.
double TextProgress::fraction() const {
    if (minimum_ >= maximum_)
        return 0;
    double f = (double(position_) - minimum_) / (double(maximum_) - minimum_);
    return std::clamp(f, 0.0, 1.0);
}

int TextProgress::barLength() const {
    return int(fraction() * (vertical_ ? height() : width()));
}

QString TextProgress::shownText() const {
    if (minimum_ >= maximum_ || !showText_ || vertical_)
        return {};
    if (!text_.isEmpty())
        return text_;
    return QString::asprintf("%d%%", int(fraction() * 100));
}

void TextProgress::resizeEvent(QResizeEvent* event) {
    cachedLength_ = -1;
    QWidget::resizeEvent(event);
}

void TextProgress::paintEvent(QPaintEvent*) {
    if (minimum_ >= maximum_)
        return;
    const QColor bar = bar_.isValid() ? bar_ : palette().color(QPalette::Highlight);
    const QColor back = back_.isValid() ? back_ : palette().color(QPalette::Base);
    const qreal ratio = devicePixelRatioF();
    QPixmap buffer(size() * ratio);
    buffer.setDevicePixelRatio(ratio);
    buffer.fill(back);
    {
        QPainter p(&buffer);
        const int filled = barLength();
        const QRect done = vertical_ ? QRect(0, height() - filled, width(), filled)
                                     : QRect(0, 0, filled, height());
        const QRect rest = vertical_ ? QRect(0, 0, width(), height() - filled)
                                     : QRect(filled, 0, width() - filled, height());
        p.fillRect(done, bar);
        const QString text = shownText();
        if (!text.isEmpty()) {
            // Twice: in the back colour over the bar, in the bar colour over the rest.
            p.setFont(parentWidget() ? parentWidget()->font() : font());
            p.setClipRect(done);
            p.setPen(textColour_.isValid() ? textColour_ : back);
            p.drawText(rect(), Qt::AlignCenter, text);
            p.setClipRect(rest);
            p.setPen(textColour_.isValid() ? textColour_ : bar);
            p.drawText(rect(), Qt::AlignCenter, text);
        }
    }
    QPainter out(this);
    out.drawPixmap(0, 0, buffer);
}

} // namespace qr::gui
