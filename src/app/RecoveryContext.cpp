#include "app/RecoveryContext.h"

#include "app/ReadFailureNotice.h"
#include "exfat/ExfatEngine.h"
#include "exfat/ExfatSearch.h"
#include "fat/FatEngine.h"
#include "fat/FatReadCache.h"
#include "ntfs/NtfsEngine.h"
#include "ntfs/NtfsSearch.h"

namespace qr::app {

RecoveryContext::RecoveryContext(Services s)
    : messages(s.messages), registry(s.registry),
      reader(MakeSectorReader(*this, std::make_shared<disk::PosixDeviceOpener>(
                                         [messages = s.messages](const std::string& text) {
                                             // A disk the user may not read: said once, with
                                             // the ways to get access.
                                             if (messages)
                                                 messages->error(text);
                                         }))),
      services(s) {}

// Workers are stopped and joined before the state they use goes away.
RecoveryContext::~RecoveryContext() {
    logLoadThread = {};
    saveWorker = {};
    scanWorker = {};
    assignmentWorker = {};
    fileSystemWorker = {};
    partitionSearchThread = {};
}

fat::FatVolume FatVolumeOf(RecoveryContext& context, bool searchCache) {
    fat::FatVolume volume;
    if (searchCache) {
        if (!context.searchCache)
            context.searchCache = std::make_unique<fat::FatReadCache>();
        volume.cache = context.searchCache.get();
    }
    volume.source = context.reader.get();
    volume.geometry = context.activeGeometry;
    volume.partitionEnd = context.volumeParams.partitionEnd;
    return volume;
}

std::unique_ptr<volume::VolumeEngine> EngineFor(RecoveryContext& context,
                                                volume::FileSystemKind kind, bool searchCache) {
    if (volume::IsFat(kind))
        return std::make_unique<fat::FatEngine>(FatVolumeOf(context, searchCache), kind);
    if (kind == volume::FileSystemKind::Ntfs && context.reader) {
        if (!context.ntfsVolume)
            context.ntfsVolume = std::make_shared<ntfs::NtfsVolumeState>();
        const ntfs::NtfsGeometry geometry = context.ntfsVolume->hasGeometry
                                                ? context.ntfsVolume->geometry
                                                : ntfs::GeometryFromVolume(context.volumeParams);
        return std::make_unique<ntfs::NtfsEngine>(*context.reader, geometry, context.ntfsVolume,
                                                  context.tables.fileTable);
    }
    if (kind == volume::FileSystemKind::ExFat && context.reader) {
        // A file system picked after an Advanced search has a geometry of its own.
        const auto geometry = context.exfatVolume && context.exfatVolume->picked
                                  ? context.exfatVolume->picked
                                  : volume::ExfatGeometryFromParams(context.volumeParams);
        if (!geometry)
            return nullptr;
        if (!context.exfatVolume)
            context.exfatVolume = std::make_shared<exfat::ExfatVolumeState>();
        return std::make_unique<exfat::ExfatEngine>(*context.reader, *geometry, context.exfatVolume,
                                                    context.tables.fileTable);
    }
    return nullptr;
}

std::unique_ptr<volume::VolumeEngine> EngineFor(RecoveryContext& context) {
    return EngineFor(context, context.volumeParams.kind());
}

} // namespace qr::app
