#include "FileListAdapter.h"

#include "FixedPitchFont.h"
#include "output/NameText.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStyle>
#include <QThread>

namespace qr::gui {

FileListAdapter::FileListAdapter(model::FileList& list, QTreeView* view)
    : QAbstractTableModel(view), list_(list), view_(view) {
    view_->setModel(this);
    view_->setRootIsDecorated(false);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setUniformRowHeights(true);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { selectionToList(); });
    refresh();
    list_.setListener(this);
}

FileListAdapter::~FileListAdapter() {
    list_.setListener(nullptr);
}

void FileListAdapter::refresh() {
    refreshQueued_ = false;
    beginResetModel();
    columns_ = list_.columns();
    rows_ = list_.rows();
    labelWidth_ = 0;
    if (columns_.size() == 1)
        for (const auto& row : rows_) {
            const std::string& text = row.cells[0];
            const auto colon = text.find(':');
            if (colon != std::string::npos)
                labelWidth_ =
                    std::max(labelWidth_,
                             int(QString::fromStdString(text.substr(0, colon)).trimmed().size()));
        }
    endResetModel();
    applyColumns();
}

QString FileListAdapter::detailLine(const std::string& text) const {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return QString::fromStdString(text);
    return QString::fromStdString(text.substr(0, colon)).trimmed().leftJustified(labelWidth_) +
           " : " + QString::fromStdString(text.substr(colon + 1)).trimmed();
}

void FileListAdapter::applyColumns() {
    for (int c = 0; c < int(columns_.size()); ++c) {
        int width = columns_[std::size_t(c)].width;
        view_->setColumnHidden(c, width == 0);
        if (width > 0)
            view_->setColumnWidth(c, width);
    }
    if (columns_.size() == 1) {
        // Fixed pitch lines the detail rows' colons up; the size follows the desktop's.
        view_->setFont(FixedPitchFont(QApplication::font().pointSizeF()));
    } else {
        view_->setFont(QApplication::font());
    }
    if (columns_.size() > 1)
        fitColumns();
}

// The width the column's texts need (QTreeView keeps this measure protected).
int FileListAdapter::contentWidth(int column) const {
    return static_cast<const QAbstractItemView*>(view_)->sizeHintForColumn(column);
}

void FileListAdapter::fitColumns() {
    fitQueued_ = false;
    if (columns_.size() <= 1 || rows_.empty())
        return;
    int used = 0;
    for (int c = 1; c < int(columns_.size()); ++c) {
        if (view_->isColumnHidden(c))
            continue;
        const int width = std::max(contentWidth(c), view_->header()->sectionSizeHint(c));
        view_->setColumnWidth(c, width);
        used += width;
    }
    const int room = view_->viewport()->width() - used;
    const int wanted = std::max(contentWidth(0), view_->header()->sectionSizeHint(0));
    view_->setColumnWidth(0, std::max(80, std::min(wanted, room)));
}

void FileListAdapter::scheduleFit() {
    if (fitQueued_)
        return;
    fitQueued_ = true;
    QMetaObject::invokeMethod(
        this, [this] { fitColumns(); }, Qt::QueuedConnection);
}

void FileListAdapter::scheduleRefresh() {
    if (refreshQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this, [this] { refresh(); }, Qt::QueuedConnection);
}

void FileListAdapter::listReset() {
    if (QThread::currentThread() == qApp->thread())
        refresh();
    else
        scheduleRefresh();
}

void FileListAdapter::rowAppended(int row) {
    // A details list (one column, a few rows) is laid out again as a whole: its colons
    // follow the longest label.
    if (QThread::currentThread() != qApp->thread() || refreshQueued_ || row != int(rows_.size()) ||
        columns_.size() == 1) {
        scheduleRefresh();
        return;
    }
    beginInsertRows({}, row, row);
    rows_.push_back(list_.row(row));
    endInsertRows();
    if (columns_.size() > 1)
        scheduleFit();
}

void FileListAdapter::selectionToList() {
    const auto selected = view_->selectionModel()->selectedRows();
    std::vector<bool> marks(rows_.size(), false);
    for (const auto& index : selected)
        if (index.row() < int(marks.size()))
            marks[std::size_t(index.row())] = true;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        rows_[r].selected = marks[r];
        list_.setSelected(int(r), marks[r]);
    }
}

int FileListAdapter::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int FileListAdapter::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(1, int(columns_.size()));
}

QVariant FileListAdapter::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()) ||
        index.column() >= model::file_col::Count)
        return {};
    const auto& row = rows_[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        if (columns_.size() == 1)
            return detailLine(row.cells[0]);
        // A control character in a recovered name shows as a visible mark.
        return QString::fromStdString(
            output::VisibleControlMarks(row.cells[std::size_t(index.column())]));
    case Qt::DecorationRole:
        if (index.column() != 0 || columns_.size() <= 1)
            return {};
        return QApplication::style()->standardIcon(
            row.image == model::kFolderRowImage ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    case Qt::TextAlignmentRole:
        if (index.column() < int(columns_.size()) &&
            columns_[std::size_t(index.column())].rightAligned)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant FileListAdapter::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= int(columns_.size()))
        return {};
    return QString::fromStdString(columns_[std::size_t(section)].header);
}

} // namespace qr::gui
