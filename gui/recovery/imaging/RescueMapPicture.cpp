#include "imaging/RescueMapPicture.h"

#include <QPainter>
#include <algorithm>

namespace qr::gui {

RescueMapPicture::RescueMapPicture(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kColumns * 5, 80);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void RescueMapPicture::setCells(std::vector<rescue::MapCell> cells) {
    cells_ = std::move(cells);
    update();
}

QColor RescueMapPicture::colour(rescue::MapCell cell) {
    switch (cell) {
    case rescue::MapCell::Rescued:
        return QColor(0x3c, 0xb0, 0x43);
    case rescue::MapCell::NotTried:
        return QColor(0xc8, 0xc8, 0xc8);
    case rescue::MapCell::Slow:
        return QColor(0xf0, 0xb4, 0x00);
    case rescue::MapCell::Bad:
        break;
    }
    return QColor(0xd0, 0x20, 0x20);
}

std::size_t RescueMapPicture::count(rescue::MapCell state) const {
    return static_cast<std::size_t>(std::count(cells_.begin(), cells_.end(), state));
}

QSize RescueMapPicture::sizeHint() const {
    return {kColumns * 8, 16 * 8};
}

void RescueMapPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (cells_.empty())
        return;
    const int rows = static_cast<int>((cells_.size() + kColumns - 1) / kColumns);
    // Cells share the widget's room; the grid lines are the gaps between them.
    const double width = double(this->width()) / kColumns;
    const double height = double(this->height()) / rows;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const int column = static_cast<int>(i % kColumns);
        const int row = static_cast<int>(i / kColumns);
        const QRectF cell(column * width, row * height, width - 1, height - 1);
        painter.fillRect(cell, colour(cells_[i]));
    }
}

} // namespace qr::gui
