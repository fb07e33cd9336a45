#include "output/RecoverableOnly.h"

#include <algorithm>

namespace qr::output {

std::uint32_t DropOverwritten(SaveState& save, volume::VolumeEngine& engine) {
    std::uint32_t dropped = 0;
    const auto overwritten = [&](const SaveItem& item) {
        if (!item.deleted)
            return false;
        volume::FolderFile file;
        file.name = item.name;
        file.size = item.size;
        file.validLength = item.size;
        file.location = item.location;
        file.deleted = true;
        if (engine.recoverability(file) != volume::Recoverability::Overwritten)
            return false;
        ++dropped;
        if (save.counters.filesToSave > 0)
            save.counters.filesToSave -= 1;
        save.counters.bytesToSave -= std::min(save.counters.bytesToSave, item.size);
        return true;
    };
    save.plan.erase(std::remove_if(save.plan.begin(), save.plan.end(), overwritten),
                    save.plan.end());
    return dropped;
}

} // namespace qr::output
