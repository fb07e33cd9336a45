#pragma once
// Shows the Qt-free FileList in a QTreeView used as a multi-column list, and carries
// the view's row selection back into the list (saving reads it from there). Rows
// appended on the GUI thread go in one by one; changes from a worker refresh the
// whole snapshot on the GUI thread. A folder's rows get a recoverability column
// after Time, the photo, video and sound types' own labels, and go through the sort
// and filter proxy the view shows.
#include "model/FileList.h"

#include <QAbstractTableModel>
#include <QTreeView>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace qr::gui {

class FileListProxy;

class FileListAdapter : public QAbstractTableModel, public model::FileListListener {
    Q_OBJECT
public:
    FileListAdapter(model::FileList& list, QTreeView* view);
    ~FileListAdapter() override;

    void refresh();
    // Fits the columns again (the list was resized).
    void refit() { scheduleFit(); }
    // The recoverability text of a deleted file's row (empty for others), asked once
    // per row when it is first shown, sorted or filtered by.
    void setJudge(std::function<std::string(const model::FileListRow&)> judge);
    FileListProxy* proxy() const { return proxy_; }
    // The file list's row shown at `viewIndex` of the view (-1 for none).
    int sourceRow(const QModelIndex& viewIndex) const;
    // The view's index of the list's row `row`.
    QModelIndex viewIndex(int row) const;
    // The column after the list's own: the recoverability of each file.
    static constexpr int kRecoverabilityColumn = model::file_col::Count;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void listReset() override;
    void rowAppended(int row) override;

private:
    void applyColumns();
    // Sizes the columns to their contents, the first one taking what the list's width
    // leaves (never less than a short name).
    void fitColumns();
    void scheduleFit();
    int contentWidth(int column) const;
    // A details row ("Label : value") of a single-column list, its colon at the column
    // every row of the list shares (the list uses a fixed-pitch font then).
    QString detailLine(const std::string& text) const;
    void scheduleRefresh();
    void selectionToList();
    bool folderView() const { return columns_.size() == model::file_col::Count; }
    QString typeLabel(int row) const;
    QString judged(int row) const;
    QVariant icon(const model::FileListRow& row, int index) const;

    model::FileList& list_;
    QTreeView* view_;
    std::vector<model::ListColumn> columns_;
    std::vector<model::FileListRow> rows_;
    std::atomic<bool> refreshQueued_{false};
    bool fitQueued_ = false;
    int labelWidth_ = 0; // of the longest label in a single-column list
    bool applyingSelection_ = false;
    FileListProxy* proxy_ = nullptr;
    std::function<std::string(const model::FileListRow&)> judge_;
    mutable std::vector<std::optional<QString>> judged_;
};

} // namespace qr::gui
