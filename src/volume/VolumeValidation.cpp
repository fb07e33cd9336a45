#include "volume/VolumeValidation.h"

#include "volume/EngineRegistry.h"
#include "volume/VolumeParams.h"

namespace qr::volume {

int ValidateVolume(disk::SectorSource* source, VolumeParams& params, std::string* why) {
    const EngineRow* row = FindEngineRow(params.fileSystemName);
    if (!row || !row->validate) {
        if (why)
            *why = "no file system the program knows is named";
        return 0;
    }
    return row->validate(source, params, why);
}

} // namespace qr::volume
