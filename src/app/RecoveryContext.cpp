#include "app/RecoveryContext.h"

#include "disk/SectorReader.h"

namespace qr::app {

RecoveryContext::RecoveryContext(Services s)
    : messages(s.messages), registry(s.registry),
      reader(std::make_unique<disk::SectorReader>(
          *this, std::make_shared<disk::PosixDeviceOpener>(
                     [messages = s.messages](const std::string& text) {
                         // A disk the user may not read: said once, with the ways to get access.
                         if (messages)
                             messages->error(text);
                     }))),
      services(s) {}

// Workers are stopped and joined before the state they use goes away.
RecoveryContext::~RecoveryContext() {
    saveWorker = {};
    scanWorker = {};
    partitionSearchThread = {};
}

} // namespace qr::app
