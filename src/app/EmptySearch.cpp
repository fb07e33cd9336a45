#include "app/EmptySearch.h"

#include "exfat/ExfatEngine.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "model/RecordTable.h"
#include "volume/EngineRegistry.h"

namespace qr::app {

bool SearchFoundNothing(RecoveryContext& context) {
    const model::TreeItem root = context.recoveryTree.firstTopLevel();
    if (root == model::kNoItem)
        return true;
    for (const model::FolderNode& node : context.folderNodes)
        if (node.treeItem != root && node.selfKey != model::kLostFolderKey)
            return false;
    // Lost may hold folders the nodes do not name.
    for (model::TreeItem child : context.recoveryTree.children(root))
        if (!context.recoveryTree.children(child).empty())
            return false;
    bool anyFile = false;
    if (const std::unique_ptr<volume::VolumeEngine> engine = EngineFor(context))
        engine->listFiles(engine->rootKey(), false, [&](const volume::FolderFile&) {
            anyFile = true;
            return false;
        });
    return !anyFile;
}

std::string VolumeOutsideDiskText(RecoveryContext& context) {
    const std::uint64_t sectors = context.reader ? context.reader->mediumSectors() : 0;
    const std::uint64_t start = context.volumeParams.partitionStart;
    if (sectors == 0 || start < sectors)
        return {};
    return "The volume begins at sector " + std::to_string(start) +
           ", behind the end of the disk (" + std::to_string(sectors) + " sectors).";
}

std::string FormattedVolumeText() {
    return "The volume seems to have been formatted: folders of an earlier file system were "
           "found that do not fit this one. Search the volume in Advanced mode to get the "
           "earlier files.";
}

std::string NothingFoundText(RecoveryContext& context) {
    if (std::string outside = VolumeOutsideDiskText(context); !outside.empty())
        return outside;
    if (context.exfatVolume && context.exfatVolume->earlierFolders > 0)
        return FormattedVolumeText();
    if (const std::string_view notSearched =
            volume::NotSearchedText(context.volumeParams.fileSystemName);
        !notSearched.empty())
        return std::string(notSearched);
    return "No folder or file was found on this volume. Check that the right partition "
           "was chosen, or search the disk in Advanced mode.";
}

} // namespace qr::app
