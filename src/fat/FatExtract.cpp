#include "fat/FatExtract.h"

#include "app/RecoveryContext.h"
#include "disk/SectorReader.h"
#include "fat/FatExtractClusters.h"
#include "output/OutputFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace qr::fat {

namespace {

using output::ExtractResult;

// Reads of file data go in batches of up to 1 MiB of consecutive sectors.
constexpr std::uint32_t kBatchSectors = 2048;
constexpr std::size_t kBatchBytes = std::size_t{kBatchSectors} * disk::kSectorSize;

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using AlignedBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

AlignedBuffer makeBuffer() {
    return AlignedBuffer(static_cast<unsigned char*>(std::aligned_alloc(4096, kBatchBytes)));
}

bool interrupted(const output::SaveState& save) {
    return save.skipCurrent || save.stopSaving;
}

// Ends a file on Skip or Stop: what was written stays (unless the program is ending);
// skip is cleared.
ExtractResult stopped(app::RecoveryContext& ctx, output::OutputFile& out, const std::string& path) {
    out.close();
    if (ctx.save.discardPartial && ctx.save.stopSaving) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    ctx.save.skipCurrent = false;
    return ExtractResult::Stopped;
}

ExtractResult writeError(app::RecoveryContext& ctx, output::OutputFile& out,
                         const std::string& path) {
    const std::string reason = out.error();
    out.close();
    output::NoteProblem(ctx, path, reason);
    output::ReportWriteError(ctx, path, reason);
    return ExtractResult::Failed;
}

} // namespace

ExtractResult ExtractFatFile(app::RecoveryContext& ctx, const std::string& outputPath,
                             const std::string& name, std::uint32_t size,
                             std::uint32_t firstCluster, bool saveMode, bool deleted) {
    output::SaveState& save = ctx.save;
    save.skipCurrent = false;
    if (saveMode && !output::AdmitForSave(ctx, outputPath, name, deleted))
        return ExtractResult::PassedOver;

    const ActiveGeometry& g = ctx.activeGeometry;
    const std::uint64_t clusterBytes = std::uint64_t{g.sectorsPerCluster} * disk::kSectorSize;
    const std::uint32_t needed = NeededClusters(size, clusterBytes);
    if (size > 0 && (clusterBytes == 0 || firstCluster < 2 || firstCluster > HighestCluster(ctx))) {
        output::NoteProblem(ctx, outputPath,
                            "first cluster " + std::to_string(firstCluster) +
                                " lies outside the data area; nothing written");
        return ExtractResult::Failed;
    }
    const FileClusters clusters =
        ChooseFileClusters(ctx, firstCluster, needed, save.settings.savingMode);

    if (!output::OutputAllowed(ctx, outputPath))
        return ExtractResult::Failed;
    output::OutputFile out;
    if (!out.open(outputPath))
        return writeError(ctx, out, outputPath);

    output::SavingReporter reporter(ctx, saveMode, outputPath, name, size);
    AlignedBuffer buffer = size > 0 ? makeBuffer() : nullptr;
    if (size > 0 && !buffer) {
        out.close();
        output::NoteProblem(ctx, outputPath, "not enough memory");
        return ExtractResult::Failed;
    }
    std::uint64_t remaining = size;
    for (const ClusterRun& run : clusters.runs) {
        std::uint64_t sector = g.cluster0Start + std::uint64_t{run.first} * g.sectorsPerCluster;
        std::uint64_t sectorsLeft = std::uint64_t{run.count} * g.sectorsPerCluster;
        while (sectorsLeft > 0 && remaining > 0) {
            if (interrupted(save))
                return stopped(ctx, out, outputPath);
            const std::uint64_t dueSectors =
                (remaining + disk::kSectorSize - 1) / disk::kSectorSize;
            const auto take = static_cast<std::uint32_t>(
                std::min<std::uint64_t>({sectorsLeft, kBatchSectors, dueSectors}));
            // A failed read leaves zeros where nothing could be read, never old data.
            std::memset(buffer.get(), 0, std::size_t{take} * disk::kSectorSize);
            ctx.reader->read(sector, take, buffer.get());
            const std::uint64_t bytes =
                std::min<std::uint64_t>(std::uint64_t{take} * disk::kSectorSize, remaining);
            if (!out.write(buffer.get(), bytes))
                return writeError(ctx, out, outputPath);
            remaining -= bytes;
            reporter.written(bytes);
            sector += take;
            sectorsLeft -= take;
        }
    }
    reporter.written(0, true);
    if (!out.close())
        return writeError(ctx, out, outputPath);
    if (remaining > 0) {
        output::NoteProblem(ctx, outputPath,
                            "clusters run out of the volume; " + std::to_string(size - remaining) +
                                " of " + std::to_string(size) + " bytes written");
        return ExtractResult::Failed;
    }
    return ExtractResult::Written;
}

} // namespace qr::fat
