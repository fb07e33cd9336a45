#pragma once
// A left-panel tree view that tells apart clicks on an item's check box and passes
// the wizard's keys (Enter, Left, Right) on before its own handling.
#include <QTreeView>

namespace qr::gui {

class PanelTree : public QTreeView {
    Q_OBJECT
public:
    explicit PanelTree(QWidget* parent = nullptr);
    // Where the check box of the item at `index` is drawn.
    QRect checkBoxRect(const QModelIndex& index) const;

Q_SIGNALS:
    void itemClicked(const QModelIndex& index, bool onCheckBox);
    void enterPressed();
    void leftPressed();
    void rightPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace qr::gui
