#include "app/RecoveryContext.h"

#include "disk/SectorReader.h"

namespace qr::app {

RecoveryContext::RecoveryContext(Services s)
    : messages(s.messages), registry(s.registry),
      reader(
          std::make_unique<disk::SectorReader>(*this, std::make_shared<disk::PosixDeviceOpener>())),
      services(s) {}

// Workers are stopped and joined before the state they use goes away.
RecoveryContext::~RecoveryContext() {
    logLoadThread = {};
    saveWorker = {};
    scanWorker = {};
    partitionSearchThread = {};
}

} // namespace qr::app
