#pragma once
// Shows a Qt-free TreeModel in a QTreeView. The view reads a snapshot of the tree
// taken on the GUI thread, so a worker that changes the tree never exposes half-built
// state: changes from other threads only mark the snapshot stale and queue a refresh.
#include "model/TreeModel.h"

#include <QAbstractItemModel>
#include <QTreeView>
#include <atomic>
#include <functional>
#include <vector>

namespace qr::gui {

class TreeAdapter : public QAbstractItemModel, public model::TreeListener {
    Q_OBJECT
public:
    TreeAdapter(model::TreeModel& tree, QTreeView* view, bool checkBoxes);
    ~TreeAdapter() override;

    model::TreeItem itemOf(const QModelIndex& index) const;
    QModelIndex indexOf(model::TreeItem item) const;
    // Takes a fresh snapshot now (GUI thread).
    void refresh();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void treeReset() override;
    void itemInserted(model::TreeItem parent, model::TreeItem item) override;
    void itemChanged(model::TreeItem item) override;

    // The tooltip of each item (none by default).
    void setToolTips(std::function<QString(model::TreeItem)> tips) { tips_ = std::move(tips); }

    // True while the adapter itself expands items to mirror the model.
    bool restoring() const { return restoring_; }

private:
    struct Node {
        model::TreeModel::Item item;
        int row = 0;
    };
    void scheduleRefresh();
    void mirrorViewState();

    model::TreeModel& tree_;
    QTreeView* view_;
    bool checkBoxes_;
    std::vector<Node> nodes_;
    std::vector<model::TreeItem> top_;
    std::atomic<bool> refreshQueued_{false};
    bool restoring_ = false;
    std::function<QString(model::TreeItem)> tips_;
};

} // namespace qr::gui
