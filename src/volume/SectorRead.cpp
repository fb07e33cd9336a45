#include "volume/SectorRead.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"

namespace qr::volume {

Sector ReadSector(app::RecoveryContext& ctx, std::uint64_t sector) {
    Sector s;
    ctx.reader->read(sector, 1, s.bytes.data());
    return s;
}

} // namespace qr::volume
