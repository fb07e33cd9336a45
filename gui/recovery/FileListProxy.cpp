#include "FileListProxy.h"

namespace qr::gui {

FileListProxy::FileListProxy(Source source, QObject* parent)
    : QSortFilterProxyModel(parent), source_(std::move(source)) {
    setDynamicSortFilter(false);
}

void FileListProxy::setFilter(model::RowFilter filter) {
    filter_ = std::move(filter);
    invalidateFilter();
}

bool FileListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const model::FileListRow* a = source_.row(left.row());
    const model::FileListRow* b = source_.row(right.row());
    if (!a || !b)
        return false;
    // Folders stay above files whichever way the list is sorted.
    const bool aFolder = a->image == model::kFolderRowImage;
    const bool bFolder = b->image == model::kFolderRowImage;
    if (aFolder != bFolder)
        return (sortOrder() == Qt::AscendingOrder) == aFolder;
    const int column = left.column();
    if (column >= model::file_col::Count) // the recoverability column
        return source_.judged(left.row()) < source_.judged(right.row());
    if (column == model::file_col::Type)
        return source_.type(left.row()).toLower() < source_.type(right.row()).toLower();
    return model::RowBefore(*a, *b, column);
}

bool FileListProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const bool filtering = !filter_.text.empty() || filter_.deletedOnly || filter_.recoverableOnly;
    if (!filtering)
        return true;
    const model::FileListRow* row = source_.row(sourceRow);
    if (!row)
        return true;
    return model::RowPasses(*row, source_.type(sourceRow).toStdString(),
                            filter_.recoverableOnly ? source_.judged(sourceRow).toStdString() : "",
                            filter_);
}

} // namespace qr::gui
