#include "model/RecoveryTree.h"

#include "volume/SearchProgress.h"
#include "volume/VolumeEngine.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

namespace qr::model {

namespace {

using namespace folder_col;

// A node for a FolderTable row below `parent`.
void InsertRowNode(FolderTreeParts& parts, TreeItem parent, const RowCells& cells) {
    InsertFolderNode(parts.tree, parts.nodes, parent, cells.cell(Name), cells.number(Self),
                     cells.number(Parent), static_cast<std::uint64_t>(cells.number64(Date)),
                     static_cast<std::uint64_t>(cells.number64(Time)), cells.flag(Deleted));
}

// FolderTable rows by "parent" text (FOLDER rows only), in row order, and what keeps a
// damaged table whose folders name each other in a circle from being inserted below
// itself forever. When no two rows share a "self" value (every standard scan), a row
// met a second time can only come round a circle, so each row is inserted once;
// otherwise a row is not inserted below a node that came from that same row.
class TreeBuild {
public:
    // The table must not change while the build runs: the index holds its texts.
    explicit TreeBuild(FolderTreeParts& parts) : parts_(parts) {
        const RecordTable& table = parts.folderTable;
        std::vector<std::uint32_t> selves;
        selves.reserve(static_cast<std::size_t>(table.rowCount()));
        for (int row = 0; row < table.rowCount(); ++row) {
            const RowCells cells = table.cells(row);
            if (cells.view(Type) == "FOLDER")
                byParent_[cells.view(Parent)].push_back(row);
            selves.push_back(cells.number(Self));
        }
        std::sort(selves.begin(), selves.end());
        uniqueSelves_ = std::adjacent_find(selves.begin(), selves.end()) == selves.end();
        inserted_.assign(static_cast<std::size_t>(table.rowCount()), false);
    }

    void insertRow(int row, TreeItem parentItem, std::size_t parentNode) {
        const std::size_t index = parts_.nodes.size();
        InsertRowNode(parts_, parentItem, parts_.folderTable.cells(row));
        inserted_[static_cast<std::size_t>(row)] = true;
        sourceRow_.resize(index + 1, -1);
        parentNode_.resize(index + 1, kNoNode);
        sourceRow_[index] = row;
        parentNode_[index] = parentNode;
    }

    void insertChildren(std::size_t node) {
        const FolderNode& parent = parts_.nodes[node];
        auto it = byParent_.find(std::to_string(static_cast<std::int32_t>(parent.selfKey)));
        if (it == byParent_.end())
            return;
        const TreeItem parentItem = parent.treeItem;
        for (int row : it->second)
            if (uniqueSelves_ ? !inserted_[static_cast<std::size_t>(row)] : !onPath(node, row))
                insertRow(row, parentItem, node);
    }

private:
    bool onPath(std::size_t node, int row) const {
        for (std::size_t n = node; n != kNoNode && n < sourceRow_.size(); n = parentNode_[n])
            if (sourceRow_[n] == row)
                return true;
        return false;
    }

    FolderTreeParts& parts_;
    std::unordered_map<std::string_view, std::vector<int>> byParent_;
    bool uniqueSelves_ = true;
    std::vector<bool> inserted_;
    std::vector<int> sourceRow_;
    std::vector<std::size_t> parentNode_;
};

// Names the rows of root folders from the entries of the root directory.
void NameRootChildren(RecordTable& table, volume::VolumeEngine& engine) {
    std::unordered_map<std::uint32_t, int> rootRowBySelf; // first row wins
    for (int row = 0; row < table.rowCount(); ++row)
        if (const RowCells cells = table.cells(row); cells.number(Parent) == kFatRootKey)
            rootRowBySelf.emplace(cells.number(Self), row);
    engine.listEntries(kFatRootKey, [&](const volume::FolderFile& entry) {
        auto it = rootRowBySelf.find(static_cast<std::uint32_t>(entry.location));
        if (it != rootRowBySelf.end()) {
            table.setCell(it->second, Name, entry.name);
            if (entry.deleted)
                table.setCell(it->second, Deleted, "1");
        }
        return true;
    });
}

// The Lost row of the NTFS lost-directory search names itself as its parent; it is
// shown under the root.
void HangNtfsLostRow(RecordTable& table) {
    for (int row = 0; row < table.rowCount(); ++row)
        if (table.number(row, Parent) == kLostFolderKey &&
            table.number(row, Self) == kLostFolderKey)
            table.setNumber(row, Parent, kNtfsRootKey);
}

// NTFS folders directly under the root: parent 5, except the root's own record.
bool IsNtfsRootChild(const RecordTable& table, int row) {
    return table.number(row, Parent) == kNtfsRootKey && table.number(row, Self) != kNtfsRootKey &&
           table.cellEquals(row, Type, "FOLDER");
}

} // namespace

void NameChildFolders(TreeModel& tree, FolderNodeList& nodes, volume::VolumeEngine* engine,
                      std::size_t index) {
    if (index >= nodes.size() || nodes[index].childrenNamed)
        return;
    nodes[index].childrenNamed = true;
    const std::uint32_t selfKey = nodes[index].selfKey;
    if (selfKey == kLostFolderKey || !engine)
        return; // no directory on disk: orphans keep their scan names
    // The folders below this one by their own key, the first in list order for each:
    // entries of the directory name them. None: the directory need not be read.
    std::vector<std::pair<std::uint32_t, std::size_t>> children;
    for (const std::size_t child : nodes.withParent(selfKey))
        children.emplace_back(nodes[child].selfKey, child);
    if (children.empty())
        return;
    std::sort(children.begin(), children.end());
    engine->listEntries(selfKey, [&](const volume::FolderFile& entry) {
        const auto key = static_cast<std::uint32_t>(entry.location);
        const auto it = std::lower_bound(children.begin(), children.end(),
                                         std::pair<std::uint32_t, std::size_t>{key, 0});
        if (it != children.end() && it->first == key) {
            FolderNode& child = nodes[it->second];
            child.name = entry.name;
            tree.setText(child.treeItem, entry.name);
            if (entry.deleted)
                child.deleted = true;
        }
        return true;
    });
}

TreeItem EnsureRootItem(TreeModel& tree) {
    TreeItem root = tree.firstTopLevel();
    if (root == kNoItem)
        return tree.insert(kNoItem, "Root", tree_image::kRoot, tree_image::kRoot);
    tree.setText(root, "Root");
    return root;
}

TreeItem InsertFolderNode(TreeModel& tree, FolderNodeList& nodes, TreeItem parent,
                          const std::string& name, std::uint32_t selfKey, std::uint32_t parentKey,
                          std::uint64_t date, std::uint64_t time, bool deleted) {
    const TreeItem item =
        tree.insert(parent, name, tree_image::kFolder, tree_image::kFolder, CheckState::Unchecked);
    const TreeItem root = tree.firstTopLevel();
    if (tree.check(root) != CheckState::Unchecked)
        tree.setCheck(root, CheckState::Unchecked);
    FolderNode node;
    node.name = name;
    node.treeItem = item;
    node.selfKey = selfKey;
    node.parentKey = parentKey;
    node.date = date;
    node.time = time;
    node.deleted = deleted;
    nodes.append(std::move(node));
    return item;
}

void BuildFolderTree(FolderTreeParts& parts, TreeVariant variant, const FolderNaming& naming,
                     volume::SearchProgress& progress) {
    RecordTable& table = parts.folderTable;
    TreeModel& tree = parts.tree;
    progress.phase(volume::SearchPhase::StoringTree);
    const TreeItem root = EnsureRootItem(tree);

    if (variant != TreeVariant::FatFromLog && naming.rootEngine)
        NameRootChildren(table, *naming.rootEngine);

    if (variant == TreeVariant::Ntfs)
        HangNtfsLostRow(table);
    const auto rows = static_cast<std::size_t>(table.rowCount());
    tree.reserve(tree.size() + rows + 1);
    parts.nodes.reserve(parts.nodes.size() + rows);
    FolderNodeList& nodes = parts.nodes;
    {
        TreeBuild build(parts);
        for (int row = 0; row < table.rowCount(); ++row)
            if (variant == TreeVariant::Ntfs ? IsNtfsRootChild(table, row)
                                             : table.number(row, Parent) == kFatRootKey)
                build.insertRow(row, root, kNoNode);
        tree.setExpanded(root, true);
        tree.setText(root, "Root");

        progress.position(0, nodes.size());
        int shown = 0;
        for (std::size_t k = 0; k < nodes.size(); ++k) {
            build.insertChildren(k);
            const int percent = static_cast<int>((k + 1) * 100 / nodes.size());
            if (percent > shown) {
                shown = percent;
                progress.position(k + 1, nodes.size());
            }
        }
    }
    table.clear();

    for (std::size_t k = 0; k < nodes.size(); ++k) {
        if (variant == TreeVariant::FatFromLog || variant == TreeVariant::Ntfs ||
            variant == TreeVariant::ExFat)
            nodes[k].childrenNamed = true;
        else
            NameChildFolders(tree, nodes, naming.engine, k);
    }
    if (variant == TreeVariant::FatStandard || variant == TreeVariant::FatAdvance)
        for (const FolderNode& node : nodes)
            tree.setExpanded(node.treeItem, false);
}

void InsertChildFolders(FolderTreeParts& parts, const std::string& keyText, TreeItem item) {
    const RecordTable& table = parts.folderTable;
    for (int row = 0; row < table.rowCount(); ++row)
        if (table.cellEquals(row, Type, "FOLDER") && table.cellEquals(row, Parent, keyText))
            InsertRowNode(parts, item, table.cells(row));
}

std::string FolderPath(const TreeModel& tree, TreeItem item) {
    std::vector<std::string> texts;
    for (TreeItem i = item; tree.valid(i) && tree.parent(i) != kNoItem; i = tree.parent(i))
        texts.push_back(tree.text(i));
    std::string path;
    for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
        if (!path.empty() && path.back() != '\\')
            path += '\\';
        path += *it;
    }
    return path;
}

} // namespace qr::model
