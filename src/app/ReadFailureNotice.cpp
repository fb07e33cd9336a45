#include "app/ReadFailureNotice.h"

#include "app/DiskCommands.h"
#include "app/RecoveryContext.h"
#include "disk/DiskDetails.h"
#include "disk/DiskRegistry.h"

namespace qr::app {

void ReadFailureNotice(RecoveryContext& context) {
    // Counted up first, in one step, so a failure on another thread at the same moment
    // cannot give a second notice.
    std::uint32_t first = 1;
    if (!context.readFailureNotices.compare_exchange_strong(first, 2))
        return;
    WindowItems& window = context.window();
    window.setItemText(item::kStatusLine,
                       "Partition table has been corrupted, Now Quarrixdale Recovery - Memory "
                       "Card is searchig partitions...");
    if (context.searchMode == kSearchAdvanced) {
        context.tableCorrupted = true;
        for (int id : {item::kPartitionType, item::kPartitionTypeLabel, item::kStartSector,
                       item::kStartSectorLabel, item::kEndSector, item::kEndSectorLabel})
            window.showItem(id, false);
    }
    if (context.wizardStage == 0 && context.startPartitionSearch)
        context.startPartitionSearch();
}

disk::ReaderBinding ReaderBindingFor(RecoveryContext& context) {
    disk::ReaderBinding binding;
    binding.selectedDisk = [&context] { return unsigned{context.selectedDiskNumber}; };
    binding.backEnd = [&context] {
        switch (context.platform) {
        case PlatformFamily::NT:
            return disk::ReaderBackEnd::Device;
        case PlatformFamily::Win95:
            return disk::ReaderBackEnd::Bios;
        }
        return disk::ReaderBackEnd::Unknown;
    };
    binding.error = [&context](const std::string& text) {
        if (context.messages)
            context.messages->error(text);
    };
    binding.readFailed = [&context] { ReadFailureNotice(context); };
    binding.libraryFolder = [&context] { return context.installationPath; };
    binding.listedSectors = [&context] {
        return app::DiskSizeBytes(context, context.selectedDiskNumber) / disk::kSectorSize;
    };
    binding.listedMedium = [&context] {
        return context.registry ? context.registry
                                      ->value(platform::RegistryRoot::ClassesRoot, disk::kPathKey,
                                              disk::diskValueName(context.selectedDiskNumber))
                                      .value_or("")
                                : std::string();
    };
    return binding;
}

std::unique_ptr<disk::SectorReader> MakeSectorReader(RecoveryContext& context,
                                                     std::shared_ptr<disk::DeviceOpener> opener) {
    return std::make_unique<disk::SectorReader>(ReaderBindingFor(context), std::move(opener));
}

} // namespace qr::app
