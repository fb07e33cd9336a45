#include "skin/TextProgress.h"

#include <QPainter>
#include <QPixmap>

namespace qr::gui {

TextProgress::TextProgress(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TextProgress::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    cachedLength_ = -1;
    update();
}

int TextProgress::setPosition(int position) {
    int previous = position_;
    position_ = position;
    int length = barLength();
    if (length != cachedLength_) {
        cachedLength_ = length;
        update();
    }
    return previous;
}

int TextProgress::setStep(int step) {
    int previous = step_;
    step_ = step;
    return previous;
}

void TextProgress::setShowText(bool show) {
    if (show != showText_) {
        showText_ = show;
        update();
    }
}

void TextProgress::setBarColour(const QColor& colour) {
    bar_ = colour;
    update();
}

void TextProgress::setBackColour(const QColor& colour) {
    back_ = colour;
    update();
}

void TextProgress::setTextColour(const QColor& colour) {
    textColour_ = colour;
    update();
}

void TextProgress::setText(const QString& text) {
    if (text != text_) {
        text_ = text;
        update();
    }
}

int TextProgress::barLength() const {
    if (minimum_ >= maximum_)
        return 0;
    double f = double(position_ - minimum_) / double(maximum_ - minimum_);
    f = std::clamp(f, 0.0, 1.0);
    return int(f * width());
}

QString TextProgress::shownText() const {
    if (minimum_ >= maximum_ || !showText_)
        return {};
    if (!text_.isEmpty())
        return text_;
    double f = double(position_ - minimum_) / double(maximum_ - minimum_);
    return QString::asprintf("%d%%", int(f * 100));
}

void TextProgress::resizeEvent(QResizeEvent* event) {
    cachedLength_ = -1;
    QWidget::resizeEvent(event);
}

void TextProgress::paintEvent(QPaintEvent*) {
    QPixmap buffer(size());
    QColor bar = bar_.isValid() ? bar_ : palette().color(QPalette::Highlight);
    QColor back = back_.isValid() ? back_ : palette().color(QPalette::Base);
    buffer.fill(back);
    if (minimum_ < maximum_) {
        QPainter p(&buffer);
        int filled = barLength();
        QRect done(0, 0, filled, height());
        QRect rest(filled, 0, width() - filled, height());
        p.fillRect(done, bar);
        QString text = shownText();
        if (!text.isEmpty()) {
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
    out.setPen(palette().color(QPalette::Mid));
    out.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace qr::gui
