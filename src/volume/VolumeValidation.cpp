#include "volume/VolumeValidation.h"

#include "app/RecoveryContext.h"

namespace qr::volume {

int ValidateVolume(app::RecoveryContext& ctx, std::string* why) {
    ctx.window().setItemText(app::item::kProgressCaption, "Validating Partition ...");
    model::RecordTables& t = ctx.tables;
    for (model::RecordTable* table :
         {&t.folderTable, &t.fileTable, &t.dirClusterTable, &t.indexRecordTable, &t.mftRecordTable})
        table->clear();
    switch (ctx.volumeParams.kind()) {
    case FileSystemKind::Fat16:
        return ValidateFat16Volume(ctx, why);
    case FileSystemKind::Fat32:
        return ValidateFat32Volume(ctx, why);
    case FileSystemKind::Ntfs:
        return ValidateNtfsVolume(ctx, why);
    default:
        if (why)
            *why = "no file system named (FAT16, FAT32 or NTFS)";
        return 0;
    }
}

} // namespace qr::volume
