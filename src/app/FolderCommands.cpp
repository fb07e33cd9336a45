#include "app/FolderCommands.h"

#include "app/RecoveryContext.h"
#include "model/FolderTreeEvents.h"

namespace qr::app {

namespace {

model::FolderTreeParts partsOf(RecoveryContext& context) {
    return {context.tables.folderTable, context.recoveryTree, context.folderNodes};
}

class ContextFolderReader final : public model::FolderReader {
public:
    explicit ContextFolderReader(RecoveryContext& context) : context_(context) {}
    void listFolder(model::TreeItem item, const model::FolderLabels& labels) override {
        ListFolder(context_, item, labels);
    }
    void nameChildFolders(std::size_t node) override { NameChildFolders(context_, node); }

private:
    RecoveryContext& context_;
};

template <typename Event> void browse(RecoveryContext& context, Event event) {
    // While the sweep's folders join the walk's tree, a click waits for nothing: it is
    // let go.
    std::unique_lock held(context.browseMutex, std::try_to_lock);
    if (!held)
        return;
    ContextFolderReader reader(context);
    model::FolderBrowsing browsing{
        context.recoveryTree,      context.folderNodes,           context.fileList,
        context.currentFolderItem, context.lastClickedFolderItem, context.listOnExpansion,
        context.clickSelects,      context.currentFolderView(),   reader};
    event(browsing);
}

} // namespace

model::TreeItem EnsureRootItem(RecoveryContext& context) {
    return model::EnsureRootItem(context.recoveryTree);
}

model::TreeItem InsertFolderNode(RecoveryContext& context, model::TreeItem parent,
                                 const std::string& name, std::uint32_t selfKey,
                                 std::uint32_t parentKey, std::uint64_t date, std::uint64_t time,
                                 bool deleted) {
    return model::InsertFolderNode(context.recoveryTree, context.folderNodes, parent, name, selfKey,
                                   parentKey, date, time, deleted);
}

void BuildFolderTree(RecoveryContext& context, model::TreeVariant variant) {
    BuildFolderTree(context, variant, context.tables.folderTable, context.progress());
}

void BuildFolderTree(RecoveryContext& context, model::TreeVariant variant,
                     model::RecordTable& table, volume::SearchProgress& progress) {
    // Folder names are read through the search's cache: each directory once.
    const std::unique_ptr<volume::VolumeEngine> engine =
        EngineFor(context, context.activeGeometry.kind(), true);
    // The trees whose folders are named from their parents' directories read the root
    // directory too: a Standard search by the volume's own file system, an Advanced one
    // by the picked one's.
    std::unique_ptr<volume::VolumeEngine> rootEngine;
    if (variant == model::TreeVariant::FatStandard)
        rootEngine = EngineFor(context, context.volumeParams.kind(), true);
    else if (variant == model::TreeVariant::FatAdvance)
        rootEngine = EngineFor(context, context.activeGeometry.kind(), true);
    model::FolderTreeParts parts{table, context.recoveryTree, context.folderNodes};
    model::BuildFolderTree(parts, variant, {engine.get(), rootEngine.get()}, progress);
}

void InsertChildFolders(RecoveryContext& context, const std::string& keyText,
                        model::TreeItem item) {
    model::FolderTreeParts parts = partsOf(context);
    model::InsertChildFolders(parts, keyText, item);
}

void NameChildFolders(RecoveryContext& context, std::size_t index) {
    const std::unique_ptr<volume::VolumeEngine> engine =
        EngineFor(context, context.activeGeometry.kind());
    model::NameChildFolders(context.recoveryTree, context.folderNodes, engine.get(), index);
}

void ListFolder(RecoveryContext& context, model::TreeItem item, const model::FolderLabels& labels) {
    const volume::FileSystemKind kind = context.activeGeometry.kind();
    const std::unique_ptr<volume::VolumeEngine> engine =
        EngineFor(context, kind, static_cast<bool>(context.searchCache));
    model::ListFolder(context.fileList, context.folderNodes, item, labels, engine.get());
}

void OnFolderItemClicked(RecoveryContext& context, model::TreeItem item, bool onCheckBox) {
    browse(context,
           [&](model::FolderBrowsing& b) { model::OnFolderItemClicked(b, item, onCheckBox); });
}

void OnFolderItemExpanding(RecoveryContext& context, model::TreeItem item, bool expanding) {
    browse(context,
           [&](model::FolderBrowsing& b) { model::OnFolderItemExpanding(b, item, expanding); });
}

void OnFolderEnterKey(RecoveryContext& context) {
    browse(context, [](model::FolderBrowsing& b) { model::OnFolderEnterKey(b); });
}

void OnFolderLeftKey(RecoveryContext& context) {
    browse(context, [](model::FolderBrowsing& b) { model::OnFolderLeftKey(b); });
}

void OnFolderRightKey(RecoveryContext& context) {
    browse(context, [](model::FolderBrowsing& b) { model::OnFolderRightKey(b); });
}

} // namespace qr::app
