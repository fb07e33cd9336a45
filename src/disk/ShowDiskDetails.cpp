#include "app/RecoveryContext.h"
#include "disk/DiskDetails.h"
#include "disk/DiskRegistry.h"

namespace qr::disk {

std::vector<std::string> DiskDetailLines(app::RecoveryContext& ctx, unsigned disk) {
    return DiskDetailLines(ctx.registry, ctx.platform == app::PlatformFamily::Win95, disk);
}

bool DiskIsListed(app::RecoveryContext& ctx, unsigned disk) {
    return DiskIsListed(ctx.registry, ctx.platform == app::PlatformFamily::Win95, disk);
}

std::uint64_t DiskSizeBytes(app::RecoveryContext& ctx, unsigned disk) {
    return DiskSizeBytes(ctx.registry, disk);
}

void ShowDiskDetails(app::RecoveryContext& ctx, unsigned disk) {
    model::FileList& list = ctx.fileList;
    list.setColumns({{kDiskDetailsColumn, kDiskDetailsWidth, false}});
    list.clear();
    for (std::string& line : DiskDetailLines(ctx, disk)) {
        model::FileListRow row;
        row.cells[0] = std::move(line);
        list.append(std::move(row));
    }
    if (ctx.platform == app::PlatformFamily::NT && ctx.registry)
        ctx.diskModel = platform::ReadRegistryString(
            *ctx.registry, platform::RegistryRoot::ClassesRoot, kModelKey, diskValueName(disk));
}

} // namespace qr::disk
