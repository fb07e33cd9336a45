#pragma once
// The two kinds the FAT engine serves.
#include "volume/FileSystemKind.h"

namespace qr::fat {

inline bool IsFatKind(volume::FileSystemKind kind) {
    return kind == volume::FileSystemKind::Fat16 || kind == volume::FileSystemKind::Fat32;
}

} // namespace qr::fat
