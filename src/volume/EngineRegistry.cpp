#include "volume/EngineRegistry.h"

#include <algorithm>
#include <vector>

namespace qr::volume {
namespace {

std::vector<EngineRow>& rows() {
    static std::vector<EngineRow> all = [] {
        const std::span<const EngineRow> builtIn = BuiltInEngineRows();
        std::vector<EngineRow> table(builtIn.begin(), builtIn.end());
        table.reserve(table.size() + 8); // rows a test adds keep the others in place
        return table;
    }();
    return all;
}

} // namespace

std::span<const EngineRow> EngineRows() {
    return rows();
}

const EngineRow* FindEngineRow(FileSystemKind kind) {
    if (kind == FileSystemKind::None)
        return nullptr;
    for (const EngineRow& row : rows())
        if (row.kind == kind)
            return &row;
    return nullptr;
}

const EngineRow* FindEngineRow(std::string_view fileSystemName) {
    if (fileSystemName.empty())
        return nullptr;
    for (const EngineRow& row : rows())
        if (row.name == fileSystemName)
            return &row;
    return nullptr;
}

std::string_view NotSearchedText(std::string_view fileSystemName) {
    const EngineRow* row = FindEngineRow(fileSystemName);
    return row ? row->notSearched : std::string_view();
}

ScopedEngineRow::ScopedEngineRow(const EngineRow& row) : kind_(row.kind) {
    rows().push_back(row);
}

ScopedEngineRow::~ScopedEngineRow() {
    auto& all = rows();
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](const EngineRow& row) { return row.kind == kind_; }),
              all.end());
}

} // namespace qr::volume
