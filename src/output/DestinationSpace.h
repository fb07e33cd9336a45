#pragma once
// The free space of a save's destination against what the save plans to write, so a
// save that cannot fit says so before it fills the disk.
#include <cstdint>
#include <optional>
#include <string>

namespace qr::output {

// Bytes the user may still write on the file system of `destination` (or of its
// nearest existing parent folder); nullopt when that cannot be learnt.
std::optional<std::uint64_t> FreeBytesAt(const std::string& destination);

// Empty when `needed` bytes fit into `free`, else the message that says they do not:
// "not enough space on the destination: N MB needed, M MB free".
std::string SpaceShortageText(std::uint64_t needed, std::uint64_t free);

// SpaceShortageText for the destination's free space; empty when it is unknown.
std::string SpaceShortage(const std::string& destination, std::uint64_t needed);

} // namespace qr::output
