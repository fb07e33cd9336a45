#include "volume/FileSystemKind.h"

#include "volume/EngineRegistry.h"

namespace qr::volume {

FileSystemKind FileSystemKindFromName(std::string_view name) {
    const EngineRow* row = FindEngineRow(name);
    return row ? row->kind : FileSystemKind::None;
}

std::string FileSystemName(FileSystemKind kind) {
    const EngineRow* row = FindEngineRow(kind);
    return row ? std::string(row->name) : std::string();
}

} // namespace qr::volume
