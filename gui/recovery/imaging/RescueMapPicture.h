#pragma once
// The medium as a grid of cells coloured by the rescue map: rescued, bad, slow, not
// tried yet. It fills as the copy goes.
#include "rescue/MapCells.h"

#include <QColor>
#include <QWidget>
#include <vector>

namespace qr::gui {

class RescueMapPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 64;

    explicit RescueMapPicture(QWidget* parent = nullptr);
    void setCells(std::vector<rescue::MapCell> cells);
    const std::vector<rescue::MapCell>& cells() const { return cells_; }
    static QColor colour(rescue::MapCell cell);
    // How many cells are in `state`.
    std::size_t count(rescue::MapCell state) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<rescue::MapCell> cells_;
};

} // namespace qr::gui
