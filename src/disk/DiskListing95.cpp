// The 'F' disk listing: the media probe, then every BIOS unit that answers a read of
// its sector 0 is handed to the detector through the scratch folder, one at a time,
// and the geometry it answers is stored as that disk's values.
#include "disk/Disk32Library.h"
#include "disk/DiskListing.h"
#include "disk/DiskRegistry.h"
#include "disk/GeometryResultFile.h"
#include "disk/MediaProbe.h"
#include "disk/ScratchFolder.h"
#include "platform/Programs.h"
#include "platform/RegistryData.h"
#include "platform/UserMessages.h"

#include <array>
#include <fstream>
#include <iterator>

namespace qr::disk {

namespace {

namespace fs = std::filesystem;
constexpr auto kRoot = platform::RegistryRoot::ClassesRoot;
constexpr std::uint32_t kUnits = 24; // 0x80 to 0x97
inline const std::string kTestCaption = "TEST";
// A geometry record is a few dozen bytes; anything longer is not one.
constexpr std::streamsize kMaxRecord = 64;

void fail(DiskListingPorts& ctx, const std::string& text, const std::string& caption) {
    if (ctx.messages)
        ctx.messages->ask(text, caption, platform::MessageIcon::Error,
                          platform::MessageButtons::Ok);
}

void removeQuietly(const fs::path& file) {
    std::error_code ec;
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, ec);
    fs::remove(file, ec);
}

bool writeUnitByte(const fs::path& file, std::uint32_t unit) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.put(static_cast<char>(unit));
    out.close();
    return static_cast<bool>(out);
}

// Creates the unit file; a leftover of either scratch file is removed before the one
// retry.
bool handOverUnit(const ScratchFolder& scratch, std::uint32_t unit) {
    if (writeUnitByte(scratch.file(kUnitFile), unit))
        return true;
    removeQuietly(scratch.file(kUnitFile));
    removeQuietly(scratch.file(kGeometryFile));
    return writeUnitByte(scratch.file(kUnitFile), unit);
}

} // namespace

void StoreGeometry95(platform::RegistryStore& store, unsigned disk, const GeometryRecord& g) {
    const std::string name = diskValueName(disk);
    platform::SetRegistryString(store, kRoot, kModelKey, name, "Unknown");
    platform::SetRegistryString(store, kRoot, kMediaTypeKey, name, "Unknown");
    platform::SetRegistryString(store, kRoot, kHeadKey, name, std::to_string(g.heads));
    platform::SetRegistryString(store, kRoot, kSectorsPerTrackKey, name,
                                std::to_string(g.sectorsPerTrack));
    platform::SetRegistryString(store, kRoot, kCylinderKey, name, std::to_string(g.cylinders));
    platform::SetRegistryString(store, kRoot, kSizeKey, name, std::to_string(g.sizeBytes()));
}

ListingResult ListDisks95(DiskListingPorts& ctx) {
    platform::RegistryStore& store = *ctx.registry;
    for (std::uint32_t unit = kFirstBiosUnit; unit < kFirstBiosUnit + kUnits; ++unit)
        store.deleteValue(kRoot, kMediaKey, std::to_string(unit));

    ScratchFolder scratch;
    if (!scratch.valid()) {
        fail(ctx, "Failed to create File - 1", platform::kMessageCaption);
        return ListingResult::Ended;
    }
    ScratchFolderEnvironment environment(scratch.path());

    const ProbeOutcome probe =
        ProbeMedia(true, ctx.installationPath, scratch.path(), ctx.programLimit);
    if (probe.stopped)
        fail(ctx, ProbeStoppedMessage(ctx.programLimit), platform::kMessageCaption);

    Disk32Library library;
    switch (library.load(ctx.installationPath)) {
    case Disk32Load::Loaded:
        break;
    case Disk32Load::LibraryMissing:
        fail(ctx, kDisk32Missing, kTestCaption);
        return ListingResult::Listed;
    case Disk32Load::FunctionMissing:
        fail(ctx, kReadDisk32Missing, kTestCaption);
        return ListingResult::Listed;
    }

    const std::string detector = DetectorPath(ctx.installationPath);
    std::array<unsigned char, 512> sector{};
    // Once the detector had to be stopped it is not started again: every later unit
    // would wait as long for nothing.
    bool detectorStopped = false;
    for (std::uint32_t unit = kFirstBiosUnit; unit < kFirstBiosUnit + kUnits; ++unit) {
        if (library.read(unit, 1, sector.data(), 0) == 0)
            continue; // no such unit: its number stays a gap in the list
        const unsigned disk = unit - kFirstBiosUnit;
        platform::SetRegistryString(store, kRoot, kMediaKey, std::to_string(unit), "");
        if (detectorStopped) {
            StoreGeometry95(store, disk, GeometryRecord{});
            continue;
        }
        if (!handOverUnit(scratch, unit)) {
            fail(ctx, "Failed to create File - 1", platform::kMessageCaption);
            return ListingResult::Ended;
        }
        removeQuietly(scratch.file(kGeometryFile));
        std::error_code ec;
        if (ctx.installationPath.empty() || !fs::is_regular_file(detector, ec)) {
            fail(ctx, detector + " missing or corrupted", platform::kMessageCaption);
            return ListingResult::Ended;
        }
        if (ctx.programs.runAndWaitAtMost(detector, ctx.programLimit).timedOut) {
            // Whatever record it had begun is not trusted: the unit's geometry is
            // unknown, as when the detector answers nothing usable.
            detectorStopped = true;
            fail(ctx, ProgramStoppedMessage(kDetectorProgram, ctx.programLimit),
                 platform::kMessageCaption);
            StoreGeometry95(store, disk, GeometryRecord{});
            removeQuietly(scratch.file(kGeometryFile));
            removeQuietly(scratch.file(kUnitFile));
            continue;
        }

        std::ifstream in(scratch.file(kGeometryFile), std::ios::binary);
        if (!in) {
            fail(ctx, "Failed to create File - 2", platform::kMessageCaption);
            return ListingResult::Ended;
        }
        std::vector<unsigned char> record(static_cast<std::size_t>(kMaxRecord));
        in.read(reinterpret_cast<char*>(record.data()), kMaxRecord);
        record.resize(static_cast<std::size_t>(in.gcount()));
        in.close();
        StoreGeometry95(store, disk, ReadGeometryRecord(ByteView(record.data(), record.size())));
        removeQuietly(scratch.file(kGeometryFile));
        removeQuietly(scratch.file(kUnitFile));
    }
    library.release();
    ListDisksFromRegistry95(ctx);
    return ListingResult::Listed;
}

} // namespace qr::disk
