// volume --disk N (--partition K | --fs NAME --start S --end E): validates a volume,
// reconstructs a FAT layout when validation fails, and prints the volume parameters.
// E is the first sector behind the volume, as the partition step takes it. --verbose
// adds why validation or reconstruction refused the volume.
#include "CliSession.h"
#include "PartitionSession.h"
#include "app/PartitionCommands.h"
#include "app/ScanDriver.h"
#include "volume/EngineRegistry.h"
#include "volume/VolumeValidation.h"

#include <iostream>
#include <string>

namespace qr::cli {
namespace {

void printParams(const volume::VolumeParams& p) {
    std::cout << "fileSystemName=" << p.fileSystemName << '\n'
              << "partitionStart=" << p.partitionStart << '\n'
              << "partitionEnd=" << p.partitionEnd << '\n'
              << "sectorsPerFat=" << p.sectorsPerFat << '\n'
              << "sectorsPerCluster=" << p.sectorsPerCluster << '\n'
              << "rootSectors=" << p.rootSectors << '\n'
              << "rootStart=" << p.rootStart << '\n'
              << "reservedSectors=" << p.reservedSectors << '\n'
              << "cluster0Start=" << p.cluster0Start << '\n'
              << "firstFat=" << p.firstFat << '\n'
              << "secondFat=" << p.secondFat << '\n'
              << "mftStart=" << p.mftStart << '\n'
              << "mftMirrorStart=" << p.mftMirrorStart << '\n'
              << "mftRecordSectors=" << p.mftRecordSectors << '\n'
              << "indexRecordSectors=" << p.indexRecordSectors << '\n';
}

int runVolume(const CommandLine& line) {
    const auto choice = parseVolumeChoice(line, "volume", KnownFileSystems(), std::cerr);
    if (!choice)
        return 2;
    auto session = openSession(line, std::cerr);
    if (!session)
        return 1;
    app::RecoveryContext& ctx = *session->context;
    if (!applyVolumeChoice(ctx, *choice, std::cerr))
        return 1;
    const bool verbose = hasFlag(line, "--verbose");
    std::string why;
    ctx.validationSucceeded = app::ValidateVolume(ctx, &why) == 1;
    std::cout << "validation=" << (ctx.validationSucceeded ? "succeeded" : "failed") << '\n';
    if (verbose && !ctx.validationSucceeded)
        std::cout << "validation-refusal=" << why << '\n';
    const volume::EngineRow* row = volume::FindEngineRow(ctx.volumeParams.fileSystemName);
    if (!ctx.validationSucceeded && row && row->rebuildLayout) {
        why.clear();
        const bool rebuilt = app::CalculateVolumeParams(ctx, {}, &why) == 1;
        std::cout << "calculation=" << (rebuilt ? "succeeded" : "failed") << '\n';
        if (verbose && !rebuilt)
            std::cout << "calculation-refusal=" << why << '\n';
    }
    printParams(ctx.volumeParams);
    return 0;
}

RegisterCommand reg{"volume",
                    "[--disk N] (--partition K | --fs " + FileSystemChoices() +
                        " --start S --end E) "
                        "[--verbose]  validate a volume (E: first sector behind it) and print its "
                        "parameters; --verbose tells why a check refused it",
                    {[] {
                        std::vector<OptionSpec> options = VolumeOptions();
                        options.push_back({"--verbose", false});
                        return options;
                    }()},
                    runVolume};

} // namespace
} // namespace qr::cli
