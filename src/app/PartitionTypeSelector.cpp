#include "app/PartitionTypeSelector.h"

#include "volume/EngineRegistry.h"

#include <algorithm>

namespace qr::app {

namespace {

// The row standing at `entry` of the selector; null for the blank entry and gaps.
const volume::EngineRow* rowAt(int entry) {
    if (entry == kNoTypeEntry)
        return nullptr;
    for (const volume::EngineRow& row : volume::EngineRows())
        if (row.traits.typeSelectorEntry == entry)
            return &row;
    return nullptr;
}

int entryCount() {
    int count = kNoTypeEntry + 1;
    for (const volume::EngineRow& row : volume::EngineRows())
        count = std::max(count, row.traits.typeSelectorEntry + 1);
    return count;
}

} // namespace

int PartitionTypeEntry(volume::FileSystemKind kind) {
    const volume::EngineRow* row = volume::FindEngineRow(kind);
    return row && row->traits.typeSelectorEntry >= 0 ? row->traits.typeSelectorEntry : kNoTypeEntry;
}

std::optional<volume::FileSystemKind> PartitionTypeOfEntry(int entry) {
    const volume::EngineRow* row = rowAt(entry);
    if (!row)
        return std::nullopt;
    return row->kind;
}

std::vector<std::string> PartitionTypeTexts() {
    std::vector<std::string> texts;
    for (int entry = 0; entry < entryCount(); ++entry) {
        const volume::EngineRow* row = rowAt(entry);
        texts.emplace_back(row ? row->name : std::string_view()); // "" for the blank entry
    }
    return texts;
}

} // namespace qr::app
