#pragma once
// One whole Standard search of a volume image held in memory, then the save of its
// whole tree into a sink that keeps nothing: the directory scan, the tree, the file
// list, the counting pass and every file's extraction. Shared by the fuzz target and
// the mutated-image campaign (header only: fuzz targets link no test framework).
#include "app/FolderCommands.h"
#include "app/PartitionCommands.h"
#include "app/ReadFailureNotice.h"
#include "app/RecoveryContext.h"
#include "app/SaveCommands.h"
#include "app/ScanDriver.h"
#include "disk/SectorReader.h"
#include "model/FileList.h"
#include "model/RecoveryTree.h"
#include "model/TreeChecks.h"
#include "output/SavePasses.h"
#include "support/MemoryDevice.h"
#include "volume/VolumeValidation.h"

#include <cstring>
#include <memory>

namespace qr::test {

// Counts the bytes handed to it and keeps none; asks to end a file past its budget.
class DiscardingSink final : public volume::FileSink {
public:
    explicit DiscardingSink(std::uint64_t budget) : budget_(budget) {}
    bool write(disk::ByteView bytes) override {
        written += bytes.size();
        return true;
    }
    bool interrupted() override { return written >= budget_; }
    void unreadable(std::uint64_t, std::uint64_t length) override { unreadableBytes += length; }
    std::uint64_t written = 0;
    std::uint64_t unreadableBytes = 0;

private:
    std::uint64_t budget_;
};

struct SearchAndSaveResult {
    bool treeBuilt = false;
    std::size_t planned = 0;
    std::uint64_t plannedBytes = 0;
    std::uint64_t extractedBytes = 0;
};

// The file system a volume's boot sector names (FAT16 when it names none).
inline volume::FileSystemKind KindOfBootSector(const unsigned char* data, std::size_t size) {
    if (size >= 11 && std::memcmp(data + 3, "NTFS", 4) == 0)
        return volume::FileSystemKind::Ntfs;
    if (size >= 11 && std::memcmp(data + 3, "EXFAT", 5) == 0)
        return volume::FileSystemKind::ExFat;
    if (size >= 90 && std::memcmp(data + 82, "FAT32", 5) == 0)
        return volume::FileSystemKind::Fat32;
    return volume::FileSystemKind::Fat16;
}

// Searches the volume that fills `data` and saves every file of its tree (at most
// `maxFiles` files, each up to `fileBudget` bytes) into a discarding sink.
inline SearchAndSaveResult SearchAndSave(const unsigned char* data, std::size_t size,
                                         volume::FileSystemKind kind, std::size_t maxFiles = 2000,
                                         std::uint64_t fileBudget = 1 << 20) {
    SearchAndSaveResult result;
    if (size < 512)
        return result;
    MemoryMedium medium;
    medium.bytes.assign(data, data + size);
    auto opener = std::make_shared<MemoryOpener>();
    opener->add("memory", medium);
    app::RecoveryContext ctx;
    ctx.reader = app::MakeSectorReader(ctx, opener);
    ctx.reader->paths().setName(0, "memory");
    ctx.volumeParams.fileSystemName = volume::FileSystemName(kind);
    ctx.volumeParams.partitionStart = 0;
    ctx.volumeParams.partitionEnd = (size + 511) / 512 - 1;
    ctx.searchMode = app::kSearchStandard;
    ctx.validationSucceeded = app::ValidateVolume(ctx) == 1;
    app::ScanWorker(ctx, {});
    const model::TreeItem root = ctx.recoveryTree.firstTopLevel();
    if (root == model::kNoItem)
        return result;
    result.treeBuilt = true;
    app::ListFolder(ctx, root, model::kMouseFolderLabels);

    model::ToggleCheck(ctx.recoveryTree, root);
    ctx.save.saveSource = output::kSaveSourceTree;
    app::CountSaveSelection(ctx);
    result.planned = ctx.save.plan.size();
    result.plannedBytes = ctx.save.counters.bytesToSave;
    const std::unique_ptr<volume::VolumeEngine> engine = app::EngineFor(ctx);
    if (!engine)
        return result;
    std::size_t files = 0;
    for (const output::SaveItem& item : ctx.save.plan) {
        if (++files > maxFiles)
            break;
        volume::FolderFile file;
        file.name = item.name;
        file.size = item.size;
        file.validLength = item.size;
        file.location = item.location;
        file.deleted = item.deleted;
        DiscardingSink sink(fileBudget);
        engine->extract(file, sink, {});
        result.extractedBytes += sink.written;
    }
    return result;
}

} // namespace qr::test
