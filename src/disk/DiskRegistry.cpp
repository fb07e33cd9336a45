#include "disk/DiskRegistry.h"

namespace qr::disk {

namespace {
constexpr auto kRoot = platform::RegistryRoot::ClassesRoot;
}

void RegisterDiskImages(platform::RegistryStore& store, const std::vector<std::string>& images) {
    store.deleteKey(kRoot, kImagesKey);
    store.createKey(kRoot, kImagesKey);
    for (std::size_t i = 0; i < images.size(); ++i)
        store.setValue(kRoot, kImagesKey, "Image" + std::to_string(i), images[i]);
}

std::vector<std::string> RegisteredDiskImages(platform::RegistryStore& store) {
    std::vector<std::string> images;
    for (unsigned i = 0; i < kListedDiskSlots; ++i) {
        std::optional<std::string> path =
            store.value(kRoot, kImagesKey, "Image" + std::to_string(i));
        if (!path)
            break;
        if (!path->empty())
            images.push_back(*path);
    }
    return images;
}

} // namespace qr::disk
