#include "TreeAdapter.h"

#include "output/NameText.h"

#include <QApplication>
#include <QStyle>
#include <QThread>

namespace qr::gui {

namespace {

QIcon imageIcon(int image) {
    QStyle* style = QApplication::style();
    switch (image) {
    case model::tree_image::kFileSystem:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    case model::tree_image::kPartition:
        return style->standardIcon(QStyle::SP_DriveFDIcon);
    case model::tree_image::kRoot:
        return style->standardIcon(QStyle::SP_ComputerIcon);
    case model::tree_image::kCurrentFolder:
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    default:
        return style->standardIcon(QStyle::SP_DirIcon);
    }
}

bool onGuiThread() {
    return QThread::currentThread() == qApp->thread();
}

} // namespace

TreeAdapter::TreeAdapter(model::TreeModel& tree, QTreeView* view, bool checkBoxes)
    : QAbstractItemModel(view), tree_(tree), view_(view), checkBoxes_(checkBoxes) {
    view_->setModel(this);
    refresh();
    tree_.setListener(this);
}

TreeAdapter::~TreeAdapter() {
    tree_.setListener(nullptr);
}

void TreeAdapter::refresh() {
    refreshQueued_ = false;
    beginResetModel();
    nodes_.clear();
    top_.clear();
    tree_.withLock([this](const std::vector<model::TreeModel::Item>& items) {
        nodes_.resize(items.size());
        for (std::size_t i = 0; i < items.size(); ++i)
            nodes_[i].item = items[i];
    });
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        const auto& item = nodes_[i].item;
        if (item.parent == model::kNoItem) {
            nodes_[i].row = int(top_.size());
            top_.push_back(model::TreeItem(i));
        }
        for (std::size_t r = 0; r < item.children.size(); ++r) {
            auto child = std::size_t(item.children[r]);
            if (child < nodes_.size())
                nodes_[child].row = int(r);
        }
    }
    endResetModel();
    mirrorViewState();
}

void TreeAdapter::mirrorViewState() {
    restoring_ = true;
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].item.expanded)
            view_->setExpanded(indexOf(model::TreeItem(i)), true);
    auto selected = tree_.selected();
    if (selected != model::kNoItem && std::size_t(selected) < nodes_.size())
        view_->setCurrentIndex(indexOf(selected));
    restoring_ = false;
}

void TreeAdapter::scheduleRefresh() {
    if (refreshQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this, [this] { refresh(); }, Qt::QueuedConnection);
}

void TreeAdapter::treeReset() {
    if (onGuiThread())
        refresh();
    else
        scheduleRefresh();
}

void TreeAdapter::itemInserted(model::TreeItem parent, model::TreeItem item) {
    // Outside a worker run an insertion goes in at once; anything else refreshes.
    if (!onGuiThread() || refreshQueued_ || item != model::TreeItem(nodes_.size()) ||
        (parent != model::kNoItem && std::size_t(parent) >= nodes_.size())) {
        scheduleRefresh();
        return;
    }
    auto fresh = tree_.get(item);
    auto& siblings = parent == model::kNoItem ? top_ : nodes_[std::size_t(parent)].item.children;
    const int row = int(siblings.size());
    beginInsertRows(indexOf(parent), row, row);
    siblings.push_back(item); // before nodes_ grows: `siblings` may live in nodes_
    nodes_.push_back({fresh, row});
    endInsertRows();
}

void TreeAdapter::itemChanged(model::TreeItem item) {
    if (!onGuiThread() || refreshQueued_ || item < 0 || std::size_t(item) >= nodes_.size()) {
        scheduleRefresh();
        return;
    }
    auto fresh = tree_.get(item);
    bool expand = fresh.expanded != nodes_[std::size_t(item)].item.expanded;
    nodes_[std::size_t(item)].item = fresh;
    QModelIndex index = indexOf(item);
    Q_EMIT dataChanged(index, index);
    if (expand) {
        restoring_ = true;
        view_->setExpanded(index, fresh.expanded);
        restoring_ = false;
    }
}

model::TreeItem TreeAdapter::itemOf(const QModelIndex& index) const {
    return index.isValid() ? model::TreeItem(index.internalId()) : model::kNoItem;
}

QModelIndex TreeAdapter::indexOf(model::TreeItem item) const {
    if (item < 0 || std::size_t(item) >= nodes_.size())
        return {};
    return createIndex(nodes_[std::size_t(item)].row, 0, quintptr(item));
}

QModelIndex TreeAdapter::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < int(top_.size()) ? createIndex(row, 0, quintptr(top_[std::size_t(row)]))
                                      : QModelIndex();
    const auto& children = nodes_[std::size_t(itemOf(parent))].item.children;
    if (row >= int(children.size()))
        return {};
    return createIndex(row, 0, quintptr(children[std::size_t(row)]));
}

QModelIndex TreeAdapter::parent(const QModelIndex& index) const {
    auto item = itemOf(index);
    if (item == model::kNoItem)
        return {};
    return indexOf(nodes_[std::size_t(item)].item.parent);
}

int TreeAdapter::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(top_.size());
    return int(nodes_[std::size_t(itemOf(parent))].item.children.size());
}

QVariant TreeAdapter::data(const QModelIndex& index, int role) const {
    auto item = itemOf(index);
    if (item == model::kNoItem)
        return {};
    const auto& node = nodes_[std::size_t(item)].item;
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(output::VisibleControlMarks(node.text));
    case Qt::ToolTipRole:
        return tips_ ? tips_(item) : QVariant();
    case Qt::DecorationRole:
        return imageIcon(view_->currentIndex() == index ? node.selectedImage : node.image);
    case Qt::CheckStateRole:
        if (!checkBoxes_ || node.check == model::CheckState::None)
            return {};
        return node.check == model::CheckState::Checked  ? Qt::Checked
               : node.check == model::CheckState::Partly ? Qt::PartiallyChecked
                                                         : Qt::Unchecked;
    default:
        return {};
    }
}

Qt::ItemFlags TreeAdapter::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Check boxes change through the tree's own rules, not the view's toggling.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace qr::gui
