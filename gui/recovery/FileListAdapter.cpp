#include "FileListAdapter.h"

#include "FixedPitchFont.h"
#include "output/NameText.h"
#include "FileListProxy.h"
#include "model/MediaTypeLabels.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QThread>

namespace qr::gui {

FileListAdapter::FileListAdapter(model::FileList& list, QTreeView* view)
    : QAbstractTableModel(view), list_(list), view_(view) {
    proxy_ = new FileListProxy(
        {[this](int r) -> const model::FileListRow* {
             return folderView() && r >= 0 && r < int(rows_.size()) ? &rows_[std::size_t(r)]
                                                                    : nullptr;
         },
         [this](int r) { return typeLabel(r); }, [this](int r) { return judged(r); }},
        this);
    proxy_->setSourceModel(this);
    // A filter or a sort changes which texts are shown: the columns follow them.
    connect(proxy_, &QAbstractItemModel::layoutChanged, this, [this] { scheduleFit(); });
    connect(proxy_, &QAbstractItemModel::rowsInserted, this, [this] { scheduleFit(); });
    connect(proxy_, &QAbstractItemModel::rowsRemoved, this, [this] { scheduleFit(); });
    view_->setModel(proxy_);
    // No sort column until the user clicks one: the folder's own order first.
    view_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    view_->header()->setSortIndicatorShown(false);
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
    judged_.assign(rows_.size(), std::nullopt);
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

void FileListAdapter::setJudge(std::function<std::string(const model::FileListRow&)> judge) {
    judge_ = std::move(judge);
    judged_.assign(rows_.size(), std::nullopt);
}

int FileListAdapter::sourceRow(const QModelIndex& viewIndex) const {
    if (!viewIndex.isValid())
        return -1;
    return proxy_->mapToSource(viewIndex).row();
}

QModelIndex FileListAdapter::viewIndex(int row) const {
    return proxy_->mapFromSource(index(row, 0));
}

QString FileListAdapter::typeLabel(int row) const {
    const auto& r = rows_[std::size_t(row)];
    const std::string& type = r.cells[model::file_col::Type];
    if (r.image != model::kFolderRowImage)
        if (const auto media = model::MediaTypeLabel(r.cells[model::file_col::Name],
                                                     type.rfind("Deleted", 0) == 0))
            return QString::fromStdString(*media);
    return QString::fromStdString(type);
}

QString FileListAdapter::judged(int row) const {
    if (row < 0 || row >= int(rows_.size()) || !folderView())
        return {};
    std::optional<QString>& known = judged_[std::size_t(row)];
    if (!known) {
        const auto& r = rows_[std::size_t(row)];
        const bool deletedFile = r.image != model::kFolderRowImage &&
                                 r.cells[model::file_col::Type].rfind("Deleted", 0) == 0;
        known = deletedFile && judge_ ? QString::fromStdString(judge_(r)) : QString();
    }
    return *known;
}

// The file's icon, with a mark for a file whose clusters others took: a red cross for
// an overwritten one, an orange bar for a partly overwritten one.
QVariant FileListAdapter::icon(const model::FileListRow& row, int index) const {
    QStyle* style = QApplication::style();
    if (row.image == model::kFolderRowImage)
        return style->standardIcon(QStyle::SP_DirIcon);
    const QString verdict = judged(index);
    const bool overwritten = verdict == "overwritten";
    if (!overwritten && verdict != "partly overwritten")
        return style->standardIcon(QStyle::SP_FileIcon);
    static QIcon marked[2];
    QIcon& cached = marked[overwritten ? 0 : 1];
    if (cached.isNull()) {
        const int side = style->pixelMetric(QStyle::PM_SmallIconSize) * 2;
        QPixmap pixmap = style->standardIcon(QStyle::SP_FileIcon).pixmap(side, side);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF corner(side * 0.45, side * 0.45, side * 0.5, side * 0.5);
        if (overwritten) {
            painter.setPen(QPen(QColor(200, 30, 30), side / 8.0));
            painter.drawLine(corner.topLeft(), corner.bottomRight());
            painter.drawLine(corner.topRight(), corner.bottomLeft());
        } else {
            painter.fillRect(corner.adjusted(0, corner.height() * 0.55, 0, 0),
                             QColor(230, 140, 20));
        }
        painter.end();
        cached = QIcon(pixmap);
    }
    return cached;
}

void FileListAdapter::applyColumns() {
    // Header clicks sort only a folder's rows; a details list keeps its order.
    view_->setSortingEnabled(folderView());
    view_->header()->setSortIndicatorShown(folderView() &&
                                           view_->header()->sortIndicatorSection() >= 0);
    if (!folderView())
        proxy_->sort(-1);
    // Shown once the rows are fitted and leave it room (fitColumns).
    if (folderView())
        view_->setColumnHidden(kRecoverabilityColumn, true);
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
    // Room is kept for a vertical scroll bar, which a longer listing or a filter that
    // lets more rows through brings later.
    const int bar = view_->verticalScrollBar()->isVisible()
                        ? 0
                        : view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view_);
    int room = view_->viewport()->width() - bar - used;
    const int wanted = std::max(contentWidth(0), view_->header()->sectionSizeHint(0));
    // A narrow list keeps the names whole: the recoverability column shows only where
    // they leave it room (the icon's mark and the name's tooltip tell it otherwise).
    if (folderView()) {
        const int judged = std::max(contentWidth(kRecoverabilityColumn),
                                    view_->header()->sectionSizeHint(kRecoverabilityColumn));
        const bool fits = room - judged >= wanted;
        if (view_->isColumnHidden(kRecoverabilityColumn) == fits)
            view_->setColumnHidden(kRecoverabilityColumn, !fits);
        if (fits) {
            view_->setColumnWidth(kRecoverabilityColumn, judged);
            room -= judged;
        }
    }
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
    judged_.push_back(std::nullopt);
    endInsertRows();
    if (columns_.size() > 1)
        scheduleFit();
}

void FileListAdapter::selectionToList() {
    const auto selected = view_->selectionModel()->selectedRows();
    std::vector<bool> marks(rows_.size(), false);
    for (const auto& index : selected) {
        const int row = sourceRow(index);
        if (row >= 0 && row < int(marks.size()))
            marks[std::size_t(row)] = true;
    }
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        rows_[r].selected = marks[r];
        list_.setSelected(int(r), marks[r]);
    }
}

int FileListAdapter::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int FileListAdapter::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return folderView() ? kRecoverabilityColumn + 1 : std::max(1, int(columns_.size()));
}

QVariant FileListAdapter::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()) || index.column() >= columnCount())
        return {};
    const auto& row = rows_[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        if (columns_.size() == 1)
            return detailLine(row.cells[0]);
        if (index.column() == kRecoverabilityColumn)
            return judged(index.row());
        if (index.column() == model::file_col::Type && folderView())
            return typeLabel(index.row());
        // A control character in a recovered name shows as a visible mark.
        return QString::fromStdString(
            output::VisibleControlMarks(row.cells[std::size_t(index.column())]));
    case Qt::DecorationRole:
        if (index.column() != 0 || columns_.size() <= 1)
            return {};
        return icon(row, index.row());
    case Qt::ToolTipRole:
        if (index.column() == 0 && folderView() && !judged(index.row()).isEmpty())
            return QString::fromStdString(row.cells[0]) + " : " + judged(index.row());
        return {};
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
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == kRecoverabilityColumn && folderView())
        return QStringLiteral("Recoverability");
    if (section >= int(columns_.size()))
        return {};
    return QString::fromStdString(columns_[std::size_t(section)].header);
}

} // namespace qr::gui
