// exFAT boot-region validation: the main region at the volume's first sector, or its
// backup twelve sectors on when the main one fails, gives the layout.
#include "exfat/Validation.h"

#include "disk/SectorSource.h"
#include "exfat/BootRegion.h"
#include "volume/VolumeParams.h"

namespace qr::exfat {

int ValidateExfatVolume(disk::SectorSource* source, volume::VolumeParams& p, std::string* why) {
    if (!source || p.partitionEnd < p.partitionStart) {
        if (why)
            *why = "no medium or an empty volume";
        return 0;
    }
    const ExfatBootRegionResult region =
        ReadExfatBootRegion(*source, p.partitionStart, p.partitionEnd - p.partitionStart + 1);
    if (!region.geometry) {
        p.cluster0Start = 0; // no layout: the search finds nothing to walk
        if (why)
            *why = region.why;
        return 0;
    }
    StoreExfatGeometry(*region.geometry, p);
    return 1;
}

} // namespace qr::exfat
