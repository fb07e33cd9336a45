#include "app/PartitionTypeSelector.h"

#include <array>

namespace qr::app {

namespace {

using volume::FileSystemKind;

constexpr std::array kEntryKinds = {FileSystemKind::Fat16, FileSystemKind::Fat32,
                                    FileSystemKind::Ntfs, FileSystemKind::None,
                                    FileSystemKind::ExFat};

} // namespace

int PartitionTypeEntry(volume::FileSystemKind kind) {
    if (kind == FileSystemKind::None)
        return kNoTypeEntry;
    for (std::size_t i = 0; i < kEntryKinds.size(); ++i)
        if (kEntryKinds[i] == kind)
            return static_cast<int>(i);
    return kNoTypeEntry;
}

std::optional<volume::FileSystemKind> PartitionTypeOfEntry(int entry) {
    if (entry < 0 || entry >= static_cast<int>(kEntryKinds.size()) || entry == kNoTypeEntry)
        return std::nullopt;
    return kEntryKinds[static_cast<std::size_t>(entry)];
}

std::vector<std::string> PartitionTypeTexts() {
    std::vector<std::string> texts;
    for (const FileSystemKind kind : kEntryKinds)
        texts.push_back(volume::FileSystemName(kind)); // "" for the blank entry
    return texts;
}

} // namespace qr::app
