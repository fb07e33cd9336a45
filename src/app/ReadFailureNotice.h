#pragma once
// How the application binds the sector reader: which disk it reads, the back end's
// error message, and the notice shown when a read first fails.
#include "disk/SectorReader.h"

#include <memory>

namespace qr::app {

struct RecoveryContext;

// The reaction to the first failed read: status line, hidden range controls in
// Advanced mode, and the partition search when the wizard is on the disk step.
void ReadFailureNotice(RecoveryContext& context);

// The reader's binding to the context: its selected disk, its platform family, its
// messages and the read-failure notice.
disk::ReaderBinding ReaderBindingFor(RecoveryContext& context);

std::unique_ptr<disk::SectorReader> MakeSectorReader(RecoveryContext& context,
                                                     std::shared_ptr<disk::DeviceOpener> opener);

} // namespace qr::app
