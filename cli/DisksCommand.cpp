// disks: the listed disks, one line each (Disk<N>, size in bytes, model, device or
// image path), or with --details N the detail lines of disk N.
#include "CliSession.h"
#include "app/DiskCommands.h"
#include "disk/DiskDetails.h"
#include "disk/DiskRegistry.h"
#include "disk/SectorReader.h"
#include "volume/PartitionTree.h"

#include <charconv>
#include <iostream>

namespace qr::cli {

namespace {

constexpr auto kRoot = platform::RegistryRoot::ClassesRoot;

bool listed(CliSession& s, unsigned disk) {
    return app::DiskIsListed(*s.context, disk);
}

std::optional<unsigned> diskNumber(const std::string& text) {
    unsigned n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n >= disk::kListedDiskSlots)
        return std::nullopt;
    return n;
}

int printDetails(CliSession& s, const std::string& text) {
    std::optional<unsigned> n = diskNumber(text);
    if (!n || !listed(s, *n)) {
        std::cerr << "recovery-cli: no disk '" << text << "' is listed\n";
        return 1;
    }
    for (const std::string& line : app::DiskDetailLines(*s.context, *n))
        std::cout << line << "\n";
    // The table the partition step reads (GPT disks only): read from the disk itself.
    s.context->selectedDiskNumber = static_cast<std::uint16_t>(*n);
    for (const std::string& line : volume::PartitionTableDetailLines(*s.context->reader))
        std::cout << line << "\n";
    return 0;
}

int printDisks(CliSession& s) {
    for (unsigned n = 0; n < disk::kListedDiskSlots; ++n) {
        if (!listed(s, n))
            continue;
        const std::string name = disk::diskValueName(n);
        std::cout << name << '\t' << app::DiskSizeBytes(*s.context, n) << '\t'
                  << platform::ReadRegistryString(*s.registry, kRoot, disk::kModelKey, name) << '\t'
                  << s.registry->value(kRoot, disk::kPathKey, name).value_or("") << "\n";
    }
    return 0;
}

int runDisks(const CommandLine& line) {
    auto session = openSession(line, std::cerr);
    if (!session)
        return 1;
    if (const std::optional<std::string> n = option(line, "--details"))
        return printDetails(*session, *n);
    return printDisks(*session);
}

int runDetails(const CommandLine& line) {
    std::optional<std::string> n = option(line, "--disk");
    if (!n) {
        std::cerr << "usage: recovery-cli [--image FILE]... details --disk N\n";
        return 2;
    }
    auto session = openSession(line, std::cerr);
    return session ? printDetails(*session, *n) : 1;
}

RegisterCommand disksCommand{
    "disks", "[--details N]   list the disks (images first)", {{{"--details"}}}, runDisks};
RegisterCommand detailsCommand{
    "details", "--disk N        the details of disk N", {{{"--disk"}}}, runDetails};

} // namespace

} // namespace qr::cli
