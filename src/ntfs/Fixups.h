#pragma once
// The update-sequence fixup of NTFS multi-sector records ("FILE" and "INDX"): the
// last two bytes of every 512-byte sector were swapped for a check value on disk and
// are kept in the record's update sequence array.
#include <cstdint>
#include <span>

namespace qr::ntfs {

// Restores the sector ends of `record` in place from its update sequence array.
// Leaves the record as it is when the array's offset or length does not fit; the
// stored check value is not compared (a torn write still gives its bytes). Returns
// whether any sector end was restored.
bool ApplyFixups(std::span<unsigned char> record);

} // namespace qr::ntfs
