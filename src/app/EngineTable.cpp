// The engine table: one row per file system the program is built with. Adding a file
// system means its folder, its row here and its tests.
#include "app/EngineHooks.h"
#include "app/ExfatSearch.h"
#include "app/FatSearch.h"
#include "app/NtfsSearch.h"
#include "app/RecoveryContext.h"
#include "exfat/Recognition.h"
#include "exfat/Validation.h"
#include "fat/CalculateVolumeParams.h"
#include "fat/FatRecognition.h"
#include "fat/FatValidation.h"
#include "ntfs/NtfsRecognition.h"
#include "ntfs/NtfsValidation.h"
#include "volume/EngineRegistry.h"

#include <array>

namespace qr::volume {

namespace {

constexpr std::array kRows{
    EngineRow{.kind = FileSystemKind::Fat12,
              .name = "FAT12",
              .traits = {},
              .recognise = fat::RecogniseFat12BootSector,
              .validate = fat::ValidateFat12Volume,
              .notSearched = fat::kFat12NotSearched,
              .hooks = nullptr},
    EngineRow{.kind = FileSystemKind::Fat16,
              .name = "FAT16",
              .traits = {.rootKey = 0, .typeSelectorEntry = 0},
              .recognise = fat::RecogniseFat16BootSector,
              .validate = fat::ValidateFat16Volume,
              .rebuildLayout = fat::CalculateVolumeParams,
              .notSearched = {},
              .hooks = &app::kFatHooks},
    EngineRow{.kind = FileSystemKind::Fat32,
              .name = "FAT32",
              .traits = {.rootKey = 0, .typeSelectorEntry = 1},
              .recognise = fat::RecogniseFat32BootSector,
              .backupOffset = fat::kFat32BackupOffset,
              .recogniseBackup = fat::RecogniseFat32Backup,
              .validate = fat::ValidateFat32Volume,
              .rebuildLayout = fat::CalculateVolumeParams,
              .notSearched = {},
              .hooks = &app::kFatHooks},
    EngineRow{.kind = FileSystemKind::Ntfs,
              .name = "NTFS",
              .traits = {.rootKey = 5,
                         .filesAreSearchRows = true,
                         .standardNeedsValidBootSector = true,
                         .typeSelectorEntry = 2},
              .recognise = ntfs::RecogniseNtfsBootSector,
              .validate = ntfs::ValidateNtfsVolume,
              .notSearched = {},
              .hooks = &app::kNtfsHooks},
    // After the selector's blank entry, so the first four keep their places.
    EngineRow{.kind = FileSystemKind::ExFat,
              .name = "exFAT",
              .traits = {.rootKey = 0, .filesAreSearchRows = true, .typeSelectorEntry = 4},
              .recognise = exfat::RecogniseExfatBootSector,
              .validate = exfat::ValidateExfatVolume,
              .notSearched = {},
              .hooks = &app::kExfatHooks},
};

} // namespace

std::span<const EngineRow> BuiltInEngineRows() {
    return kRows;
}

} // namespace qr::volume

namespace qr::app {

const EngineHooks* HooksOf(const RecoveryContext& context) {
    const volume::EngineRow* row = volume::FindEngineRow(context.volumeParams.fileSystemName);
    return row ? row->hooks : nullptr;
}

std::uint32_t RootKeyOf(const RecoveryContext& context) {
    const volume::EngineRow* row = volume::FindEngineRow(context.volumeParams.fileSystemName);
    return row ? row->traits.rootKey : 0;
}

} // namespace qr::app
