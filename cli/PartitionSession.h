#pragma once
// Shared by the partition and volume commands: number options and the partition step
// of the selected disk, run as the wizard runs it.
#include "Command.h"
#include "app/RecoveryContext.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace qr::cli {

// The decimal value of "--name N". nullopt when absent; prints an error and sets
// `bad` when present but not a number.
std::optional<std::uint64_t> numberOption(const CommandLine& line, const std::string& name,
                                          std::ostream& err, bool& bad);

// Selects `disk`, builds its partition tree (reading the table) and waits for the
// partition search that a failed read starts.
void ListDiskPartitions(app::RecoveryContext& ctx, std::uint16_t disk);

} // namespace qr::cli
