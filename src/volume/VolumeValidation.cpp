#include "volume/VolumeValidation.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"

namespace qr::volume {

int ValidateVolume(app::RecoveryContext& ctx, std::string* why) {
    ctx.progress().phase(SearchPhase::Validation);
    model::RecordTables& t = ctx.tables;
    for (model::RecordTable* table :
         {&t.folderTable, &t.fileTable, &t.dirClusterTable, &t.indexRecordTable, &t.mftRecordTable})
        table->clear();
    switch (ctx.volumeParams.kind()) {
    case FileSystemKind::Fat16:
        return ValidateFat16Volume(*ctx.reader, ctx.volumeParams, why);
    case FileSystemKind::Fat32:
        return ValidateFat32Volume(*ctx.reader, ctx.volumeParams, why);
    case FileSystemKind::Ntfs:
        return ValidateNtfsVolume(*ctx.reader, ctx.volumeParams, why);
    case FileSystemKind::ExFat:
        return ValidateExfatVolume(ctx, why);
    default:
        if (why)
            *why = "no file system named (FAT16, FAT32, NTFS or exFAT)";
        return 0;
    }
}

} // namespace qr::volume
