#include "app/DiskCommands.h"

#include "app/RecoveryContext.h"
#include "disk/DiskDetails.h"
#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "platform/PlatformChoice.h"
#include "platform/RegistryData.h"
#include "volume/MediumSectorSize.h"

#include <filesystem>

namespace qr::app {

namespace {

// The logical sector size of disk `disk`: what its device says, asked without reading,
// or for an image file what its own structures say (read from the image through the
// reader, the disk selected for as long as that takes). 0 when neither tells one.
std::uint32_t mediumSectorBytes(RecoveryContext& ctx, unsigned disk) {
    const std::string& path = ctx.reader->paths().name(disk);
    if (const std::uint32_t device = ctx.reader->deviceSectorBytesOf(path); device != 0)
        return device;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return 0;
    const std::uint16_t selected = ctx.selectedDiskNumber;
    ctx.selectedDiskNumber = static_cast<std::uint16_t>(disk);
    const std::uint32_t bytes = volume::MediumSectorBytes(*ctx.reader);
    ctx.selectedDiskNumber = selected;
    return bytes;
}

constexpr int kRootImage = 0;
constexpr int kDiskImage = 1;

// The disk tree: "My Computer" with one item per disk.
class ContextDiskTree final : public disk::DiskTreeView {
public:
    explicit ContextDiskTree(model::TreeModel& tree) : tree_(tree) {}
    void addRoot() override { root(); }
    void addDisk(const std::string& label) override {
        const model::TreeItem parent = root();
        for (model::TreeItem child : tree_.children(parent))
            if (tree_.text(child) == label)
                return;
        tree_.insert(parent, label, kDiskImage, kDiskImage);
    }
    void expandRoot() override { tree_.setExpanded(root(), true); }

private:
    model::TreeItem root() {
        const model::TreeItem first = tree_.firstTopLevel();
        return first == model::kNoItem
                   ? tree_.insert(model::kNoItem, "My Computer", kRootImage, kRootImage)
                   : first;
    }
    model::TreeModel& tree_;
};

template <typename Listing> disk::ListingResult withPorts(RecoveryContext& ctx, Listing listing) {
    ContextDiskTree tree(ctx.diskTree);
    disk::DiskListingPorts ports{ctx.registry,
                                 ctx.messages,
                                 ctx.programs(),
                                 *ctx.reader,
                                 tree,
                                 ctx.installationPath,
                                 ctx.platform == PlatformFamily::Win95,
                                 {},
                                 ctx.anyDiskFound,
                                 ctx.emptyDiskSlotSeen};
    // A listing after the start-up prompt shows the No Media dialog again.
    if (ctx.noDiskPromptThread.joinable())
        ports.noMediaDialog = ctx.showNoMediaDialog;
    return listing(ports);
}

} // namespace

disk::ListingResult ListDisks(RecoveryContext& ctx) {
    // 'N': devices are read by name, positioned and read like files; 'F' (on request):
    // disks are read by BIOS unit through the disk library.
    ctx.platform =
        platform::ChosenPlatformFamily() == 'F' ? PlatformFamily::Win95 : PlatformFamily::NT;
    if (ctx.diskTree.size() == 0) {
        ctx.wizardStage = -1;
        ContextDiskTree(ctx.diskTree).addRoot();
    }
    ctx.wizardStage = 0;
    return withPorts(ctx, [](disk::DiskListingPorts& ports) { return disk::ListDisks(ports); });
}

disk::ListingResult ListDisksFromRegistry(RecoveryContext& ctx) {
    return withPorts(
        ctx, [](disk::DiskListingPorts& ports) { return disk::ListDisksFromRegistry(ports); });
}

std::vector<std::string> DiskDetailLines(RecoveryContext& ctx, unsigned disk) {
    return disk::DiskDetailLines(ctx.registry, ctx.platform == PlatformFamily::Win95, disk);
}

bool DiskIsListed(RecoveryContext& ctx, unsigned disk) {
    return disk::DiskIsListed(ctx.registry, ctx.platform == PlatformFamily::Win95, disk);
}

std::uint64_t DiskSizeBytes(RecoveryContext& ctx, unsigned disk) {
    return disk::DiskSizeBytes(ctx.registry, disk);
}

void ShowDiskDetails(RecoveryContext& ctx, unsigned disk) {
    model::FileList& list = ctx.fileList;
    list.setColumns({{disk::kDiskDetailsColumn, disk::kDiskDetailsWidth, false}});
    list.clear();
    std::vector<std::string> lines = DiskDetailLines(ctx, disk);
    // A medium of larger logical sectors says so.
    if (ctx.reader && ctx.platform == PlatformFamily::NT)
        if (const std::uint32_t bytes = mediumSectorBytes(ctx, disk); bytes > disk::kSectorBytes)
            lines.push_back("Bytes Per Sector                         : " + std::to_string(bytes));
    for (std::string& line : lines) {
        model::FileListRow row;
        row.cells[0] = std::move(line);
        list.append(std::move(row));
    }
    if (ctx.platform == PlatformFamily::NT && ctx.registry)
        ctx.diskModel =
            platform::ReadRegistryString(*ctx.registry, platform::RegistryRoot::ClassesRoot,
                                         disk::kModelKey, disk::diskValueName(disk));
}

} // namespace qr::app
