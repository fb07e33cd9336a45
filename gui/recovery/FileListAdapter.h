#pragma once
// Shows the Qt-free FileList in a QTreeView used as a multi-column list, and carries
// the view's row selection back into the list (saving reads it from there). Rows
// appended on the GUI thread go in one by one; changes from a worker refresh the
// whole snapshot on the GUI thread.
#include "model/FileList.h"

#include <QAbstractTableModel>
#include <QTreeView>
#include <atomic>
#include <vector>

namespace qr::gui {

class FileListAdapter : public QAbstractTableModel, public model::FileListListener {
    Q_OBJECT
public:
    FileListAdapter(model::FileList& list, QTreeView* view);
    ~FileListAdapter() override;

    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void listReset() override;
    void rowAppended(int row) override;

private:
    void applyColumns();
    void scheduleRefresh();
    void selectionToList();

    model::FileList& list_;
    QTreeView* view_;
    std::vector<model::ListColumn> columns_;
    std::vector<model::FileListRow> rows_;
    std::atomic<bool> refreshQueued_{false};
    bool applyingSelection_ = false;
};

} // namespace qr::gui
