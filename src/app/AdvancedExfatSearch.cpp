#include "app/AdvancedExfatSearch.h"

#include "app/AdvancedFatSearch.h"
#include "app/FolderCommands.h"
#include "app/RecoveryContext.h"
#include "app/ScanDriver.h"
#include "app/SearchReport.h"
#include "disk/SectorReader.h"
#include "exfat/BootRegion.h"
#include "exfat/ExfatEngine.h"
#include "exfat/PickedExfatTree.h"
#include "exfat/SurvivingFat.h"
#include "model/RecoveryTree.h"

#include <memory>

namespace qr::app {

namespace {

using namespace item;

std::uint32_t low32(std::uint64_t value) {
    return static_cast<std::uint32_t>(value);
}

// A FileSystemTable row for the file-systems step and its details: the volume's start,
// its heap's start as the file system's start, the cluster size and the FAT's place.
void appendFileSystemRow(model::RecordTable& systems, const exfat::ExfatFileSystem& system,
                         const std::string& name) {
    using namespace model::boot_col;
    const exfat::Geometry& g = system.geometry;
    const int row = systems.appendRow(std::to_string(low32(g.volumeStart)));
    systems.setNumber(row, Spf, low32(g.fatSectors));
    systems.setNumber(row, Spc, g.sectorsPerCluster);
    systems.setNumber(row, RootSectors, 0);
    systems.setNumber(row, RootStart, g.rootCluster);
    systems.setNumber(row, ReserveSectors, low32(g.fatStart - std::min(g.fatStart, g.volumeStart)));
    systems.setNumber(row, Cluster0Start, low32(g.heapStart));
    systems.setNumber(row, FirstFat, low32(g.fatStart));
    systems.setNumber(row, SecondFat, 0);
    systems.setNumber(row, TotalSectors, low32(g.volumeEnd));
    systems.setCell(row, PartType, name);
}

} // namespace

bool SweepAdvancedExfat(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    window.setItemText(kCounterLabel, "Directories Found                      :");
    window.showItem(kBootSectorsLabel, true);
    window.showItem(kBootSectorsFound, true);
    context.advancedExfat = std::make_shared<AdvancedExfatState>();
    if (!context.reader)
        return true;
    const volume::VolumeParams& v = context.volumeParams;
    context.advancedExfat->findings = exfat::SweepExfatStructures(
        *context.reader, v.partitionStart, v.partitionEnd, context.progress(), stop);
    return !stop.stop_requested();
}

void ShowAdvancedExfatFileSystems(RecoveryContext& context, bool stopped) {
    context.window().showItem(kStopSearch, false);
    context.tables.fileSystemTable.clear();
    if (!context.advancedExfat)
        context.advancedExfat = std::make_shared<AdvancedExfatState>();
    AdvancedExfatState& state = *context.advancedExfat;
    context.progress().phase(volume::SearchPhase::Inference);
    state.fileSystems = exfat::InferExfatFileSystems(state.findings);
    for (exfat::ExfatFileSystem& system : state.fileSystems) {
        if (context.reader)
            exfat::LocateSurvivingFat(*context.reader, state.findings, system);
        appendFileSystemRow(context.tables.fileSystemTable, system,
                            context.volumeParams.fileSystemName);
    }
    context.fileSystemCount = static_cast<int>(state.fileSystems.size());
    ShowFoundFileSystems(context, stopped);
}

void OpenPickedExfatFileSystem(RecoveryContext& context, std::stop_token stop) {
    WindowItems& window = context.window();
    if (!context.advancedExfat || !context.reader)
        return;
    const AdvancedExfatState& state = *context.advancedExfat;
    const int row = context.pickedFileSystem;
    if (row < 0 || row >= static_cast<int>(state.fileSystems.size()))
        return;
    const exfat::ExfatFileSystem& system = state.fileSystems[static_cast<std::size_t>(row)];
    // The engine reads with the picked geometry; the volume's parameters keep it for a
    // recovery log.
    context.exfatVolume = std::make_shared<exfat::ExfatVolumeState>();
    context.exfatVolume->picked = system.geometry;
    exfat::StoreExfatGeometry(system.geometry, context.volumeParams);
    LoadActiveGeometryFromVolume(context);

    context.tables.folderTable.clear();
    context.tables.fileTable.clear();
    context.folderNodes.clear();
    context.recoveryTree.clear();
    EnsureRootItem(context);
    window.showItem(kProgressBar, true);
    window.showItem(kProgressCaption, true);
    window.showItem(kFileList, true);
    window.enableItem(kFileList, false);
    window.setItemText(kProgressCaption, "Searching Lost Directories. Please Wait...");
    exfat::BuildPickedExfatTree(*context.reader, state.findings, system, context.tables.folderTable,
                                context.tables.fileTable, context.progress(), stop);
    window.setItemText(kProgressCaption, "Storing Directory Information. Please Wait...");
    BuildFolderTree(context, model::TreeVariant::ExFat);
    WriteSearchReport(context);
    window.enableItem(kMenuSaveLog, true);
}

} // namespace qr::app
