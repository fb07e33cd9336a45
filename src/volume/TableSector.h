#pragma once
// Judging sector 0 before its partition table is believed: a table whose entries are
// all empty or impossible has failed (the partition search takes over), and a disk
// without a table whose sector 0 is a volume's own boot sector holds that one volume.
#include "disk/ByteView.h"
#include "volume/BootSectorCheck.h"

#include <cstdint>
#include <optional>

namespace qr::volume {

// True when the table sector has no boot signature (neither byte) or when every one
// of its four entries is empty or impossible (no size, starting at 0 or beyond a disk
// of `diskSectors` sectors; 0 means size unknown).
bool TableFailed(disk::ByteView sector0, std::uint64_t diskSectors);

// True when the table sector is signed (one byte is enough) and one of its four entries
// is of type 0xEE: a protective or hybrid MBR, read as GPT as current tools do.
bool HasGptEntry(disk::ByteView sector0);

// The volume that starts at sector 0 when sector 0 is a plausible boot sector and its
// entry slots do not form a credible table (an entry with a bad status byte, with no
// size, beyond the disk, starting inside the volume's own reserved sectors and tables,
// or overlapping another; or no entry at all).
// `diskSectors` and the entries count in sectors of `subSectors` x 512 bytes; so do the
// sizes of the volume returned.
std::optional<BootSectorVolume> WholeDiskVolume(disk::ByteView sector0, std::uint64_t diskSectors,
                                                std::uint64_t subSectors = 1);

} // namespace qr::volume
