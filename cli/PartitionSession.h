#pragma once
// Shared by the partition and volume commands: number options and the partition step
// of the selected disk, run as the wizard runs it.
#include "Command.h"
#include "app/RecoveryContext.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qr::cli {

// The decimal value of "--name N". nullopt when absent; prints an error and sets
// `bad` when present but not a number.
std::optional<std::uint64_t> numberOption(const CommandLine& line, const std::string& name,
                                          std::ostream& err, bool& bad);

// Selects `disk`, builds its partition tree (reading the table) and waits for the
// partition search that a failed read or a failed table starts. True when one ran.
bool ListDiskPartitions(app::RecoveryContext& ctx, std::uint16_t disk);

// The volume a command works on: partition K of a disk's list, or a file system over
// a sector range whose end is the first sector behind it (as the partition step has it).
struct VolumeChoice {
    std::uint16_t disk = 0;
    std::optional<std::uint64_t> partition;
    std::string fileSystem;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// The options that choose a volume: --disk, --partition, --fs, --start and --end.
std::vector<OptionSpec> VolumeOptions();

// Reads "[--disk N] (--partition K | --fs NAME --start S --end E)"; `fileSystems` are
// the names --fs accepts. Prints what is wrong and returns nullopt on bad arguments.
// The names of the file systems the program's engines search, in registry order (not
// those it only names).
std::vector<std::string> KnownFileSystems();
// The same joined with "|", as usage lines show them.
std::string FileSystemChoices();

std::optional<VolumeChoice> parseVolumeChoice(const CommandLine& line, const std::string& command,
                                              const std::vector<std::string>& fileSystems,
                                              std::ostream& err);

// Sets the volume's name, start and end in volumeParams (and the partition index); for
// --partition it lists the disk's partitions first. False, with a message, when the
// partition is not listed.
bool applyVolumeChoice(app::RecoveryContext& ctx, const VolumeChoice& choice, std::ostream& err);

} // namespace qr::cli
