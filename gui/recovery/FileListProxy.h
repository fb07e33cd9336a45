#pragma once
// The browse step's order and filter over the file list: a click on a column header
// sorts by it (numbers as numbers, dates as dates); the filter box and its two checks
// hide rows. Without a sort column the rows keep the folder's listing order.
#include "model/FileListOrder.h"

#include <QSortFilterProxyModel>
#include <functional>

namespace qr::gui {

class FileListProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    // `row` gives the source row's cells, `type` its shown type label and `judged` its
    // recoverability text (computed when first asked).
    struct Source {
        std::function<const model::FileListRow*(int)> row;
        std::function<QString(int)> type;
        std::function<QString(int)> judged;
    };
    FileListProxy(Source source, QObject* parent);

    void setFilter(model::RowFilter filter);
    const model::RowFilter& filter() const { return filter_; }

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    Source source_;
    model::RowFilter filter_;
};

} // namespace qr::gui
