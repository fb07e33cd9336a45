#include "disk/DiskListing.h"

#include "app/RecoveryContext.h"
#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "platform/PlatformChoice.h"

#include <filesystem>

namespace qr::disk {

namespace {

constexpr auto kRoot = platform::RegistryRoot::ClassesRoot;
constexpr int kRootImage = 0;
constexpr int kDiskImage = 1;

model::TreeItem treeRoot(app::RecoveryContext& ctx) {
    model::TreeItem root = ctx.diskTree.firstTopLevel();
    return root == model::kNoItem
               ? ctx.diskTree.insert(model::kNoItem, "My Computer", kRootImage, kRootImage)
               : root;
}

// Adds the disk item unless an earlier listing already did.
void addDiskItem(app::RecoveryContext& ctx, model::TreeItem root, const std::string& label) {
    for (model::TreeItem child : ctx.diskTree.children(root))
        if (ctx.diskTree.text(child) == label)
            return;
    ctx.diskTree.insert(root, label, kDiskImage, kDiskImage);
}

bool isProgram(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

void ListDisksFromRegistry95(app::RecoveryContext& ctx) {
    model::TreeItem root = treeRoot(ctx);
    // Disks are read by BIOS unit, which the reader takes from the classic names.
    ctx.reader->release();
    for (unsigned n = 0; n < kDeviceNames; ++n)
        ctx.reader->paths().setName(n, DevicePathTable::defaultName(n));
    if (ctx.registry)
        for (unsigned n = 0; n < kListedDiskSlots; ++n) {
            const std::string name = diskValueName(n);
            if (!platform::ReadRegistryString(*ctx.registry, kRoot, kCylinderKey, name).empty())
                addDiskItem(ctx, root, name);
        }
    ctx.diskTree.setExpanded(root, true);
}

std::string DetectorPath(const std::string& installationPath) {
    return (std::filesystem::path(installationPath) / kDetectorProgram).string();
}

ListingResult ListDisks(app::RecoveryContext& ctx) {
    // 'N': devices are read by name, positioned and read like files; 'F' (on request):
    // disks are read by BIOS unit through the disk library.
    ctx.platform = platform::ChosenPlatformFamily() == 'F' ? app::PlatformFamily::Win95
                                                           : app::PlatformFamily::NT;
    if (ctx.diskTree.size() == 0) {
        ctx.wizardStage = -1;
        treeRoot(ctx);
    }
    ctx.wizardStage = 0;
    if (!ctx.registry)
        return ListingResult::EndProcess;
    platform::RegistryStore& store = *ctx.registry;

    // Nothing of an earlier listing may leak into this one.
    for (const std::string& key : kGeometryKeys)
        store.deleteKey(kRoot, key);
    store.deleteKey(kRoot, kMediaKey); // stays while other subkeys (the image list) live
    if (ctx.platform == app::PlatformFamily::Win95)
        return ListDisks95(ctx);
    if (store.keyExists(kRoot, kMediaKey))
        for (unsigned n = 0; n < kListedDiskSlots; ++n)
            store.deleteValue(kRoot, kMediaKey, diskValueName(n));
    if (!store.createKey(kRoot, kMediaKey))
        return ListingResult::EndProcess;
    return ListDisksFromRegistry(ctx);
}

ListingResult ListDisksFromRegistry(app::RecoveryContext& ctx) {
    if (ctx.platform == app::PlatformFamily::Win95) {
        ListDisksFromRegistry95(ctx);
        return ListingResult::Listed;
    }
    if (!ctx.registry || !ctx.registry->createKey(kRoot, kMediaKey))
        return ListingResult::Listed; // no effect, as when the key cannot be created
    platform::RegistryStore& store = *ctx.registry;
    for (const std::string& key : kGeometryKeys)
        if (key != kDisplayDeviceKey && !store.createKey(kRoot, key))
            return ListingResult::EndProcess;

    model::TreeItem root = treeRoot(ctx);
    const std::string detector = DetectorPath(ctx.installationPath);
    if (ctx.installationPath.empty() || !isProgram(detector)) {
        ctx.diskTree.setExpanded(root, true);
        return ListingResult::DetectorMissing;
    }
    ctx.programs().runAndWait(detector);
    if (!store.keyExists(kRoot, kMediaKey))
        return ListingResult::EndProcess;

    // The devices may have changed: forget the kept handle and the old names.
    ctx.reader->release();
    DevicePathTable& paths = ctx.reader->paths();
    for (unsigned n = 0; n < kDeviceNames; ++n)
        paths.setName(n, DevicePathTable::defaultName(n));

    for (unsigned n = 0; n < kListedDiskSlots; ++n) {
        const std::string name = diskValueName(n);
        if (platform::ReadRegistryString(store, kRoot, kMediaKey, name).empty()) {
            ctx.emptyDiskSlotSeen = true;
            continue;
        }
        ctx.anyDiskFound = true;
        addDiskItem(ctx, root, name);
        if (n < kDeviceNames)
            if (std::string path = store.value(kRoot, kPathKey, name).value_or(""); !path.empty())
                paths.setName(n, path);
    }
    if (ctx.noDiskPromptThread.joinable() && ctx.emptyDiskSlotSeen && !ctx.anyDiskFound &&
        ctx.showNoMediaDialog)
        ctx.showNoMediaDialog();
    ctx.diskTree.setExpanded(root, true);
    return ListingResult::Listed;
}

} // namespace qr::disk
