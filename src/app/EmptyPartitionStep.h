#pragma once
// A partition step without partitions: says whether the disk could not be read (no
// access to its device) or holds no partition the table lists, and what the user can
// do about either.
#include <cstdint>
#include <string>

namespace qr::app {

struct RecoveryContext;

// Empty when disk `disk` lists partitions; else the text for the user.
std::string EmptyPartitionStepText(RecoveryContext& context, std::uint16_t disk);

// True when the device of disk `disk` exists but this user may not read it.
bool DeviceAccessDenied(RecoveryContext& context, std::uint16_t disk);

} // namespace qr::app
