#include "volume/VolumeValidation.h"

#include "app/RecoveryContext.h"

namespace qr::volume {

int ValidateVolume(app::RecoveryContext& ctx) {
    ctx.window().setItemText(app::item::kProgressCaption, "Validating Partition ...");
    model::RecordTables& t = ctx.tables;
    for (model::RecordTable* table :
         {&t.folderTable, &t.fileTable, &t.dirClusterTable, &t.indexRecordTable, &t.mftRecordTable})
        table->clear();
    const std::string& name = ctx.volumeParams.fileSystemName;
    if (name == "FAT16")
        return ValidateFat16Volume(ctx);
    if (name == "FAT32")
        return ValidateFat32Volume(ctx);
    if (name == "NTFS")
        return ValidateNtfsVolume(ctx);
    return 0;
}

} // namespace qr::volume
