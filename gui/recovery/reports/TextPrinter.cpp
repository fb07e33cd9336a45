#include "reports/TextPrinter.h"

#include "FixedPitchFont.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>

#include <algorithm>

namespace qr::gui {

TextPrinter::TextPrinter(QPagedPaintDevice& device) : device_(device) {}

TextPrinter::~TextPrinter() {
    endPrinting();
}

void TextPrinter::startPrinting() {
    font_ = FixedPitchFont(10);
    const QFontMetrics metrics(font_, &device_);
    lineHeight_ = std::max(1, metrics.height() + metrics.leading());
    ascent_ = metrics.ascent();
    topMargin_ = device_.logicalDpiY() / 2;
    leftMargin_ = device_.logicalDpiX() / 2;
    penWidth_ = std::max(1, device_.logicalDpiX() / 100);
    pageHeight_ = device_.height();
    pageWidth_ = device_.width();
    currentY_ = topMargin_;
    pageNumber_ = 0;
    pageOpen_ = false;
    printing_ = true;
}

int TextPrinter::linesPerPage() const {
    // Lines start at the top margin and while y is not below height - top margin.
    return (pageHeight_ - 2 * topMargin_) / lineHeight_ + 1;
}

void TextPrinter::openPage() {
    if (pageNumber_ == 0) {
        if (!painter_.begin(&device_)) {
            printing_ = false;
            return;
        }
        painter_.setFont(font_);
    } else {
        device_.newPage();
    }
    ++pageNumber_;
    currentY_ = topMargin_;
    pageOpen_ = true;
    drawHeader();
}

void TextPrinter::printLine(const QString& text) {
    if (!printing_)
        return;
    if (!pageOpen_ || currentY_ > pageHeight_ - topMargin_)
        openPage();
    if (!pageOpen_)
        return;
    // Line breaks inside a line (the details' blank lines are one line feed) draw nothing.
    QString visible = text;
    visible.remove('\n').remove('\r');
    painter_.setPen(Qt::black);
    painter_.drawText(leftMargin_, currentY_ + ascent_, visible);
    currentY_ += lineHeight_;
}

void TextPrinter::drawHeader() {
    painter_.save();
    painter_.setPen(Qt::black);
    const int titleY = topMargin_ - 3 * lineHeight_ / 2 + ascent_;
    painter_.drawText(leftMargin_, titleY, kTitle);
    const QString number = QString::number(pageNumber_);
    const int numberWidth = painter_.fontMetrics().horizontalAdvance(number);
    painter_.drawText(pageWidth_ - leftMargin_ - numberWidth, titleY, number);
    painter_.setPen(QPen(QColor(255, 0, 0), penWidth_));
    const int ruleY = topMargin_ - lineHeight_ / 2;
    painter_.drawLine(leftMargin_, ruleY, pageWidth_ - leftMargin_, ruleY);
    painter_.restore();
}

void TextPrinter::endPrinting() {
    if (painter_.isActive())
        painter_.end();
    pageOpen_ = false;
    printing_ = false;
}

} // namespace qr::gui
