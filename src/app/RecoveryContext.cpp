#include "app/RecoveryContext.h"

#include "app/EngineHooks.h"
#include "app/ReadFailureNotice.h"
#include "fat/FatReadCache.h"
#include "volume/EngineRegistry.h"

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
    const volume::EngineRow* row = volume::FindEngineRow(kind);
    if (!row || !row->hooks || !row->hooks->openEngine)
        return nullptr;
    return row->hooks->openEngine(context, kind, searchCache);
}

std::unique_ptr<volume::VolumeEngine> EngineFor(RecoveryContext& context) {
    return EngineFor(context, context.volumeParams.kind());
}

} // namespace qr::app
