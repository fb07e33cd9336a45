#pragma once
// The layout of the exFAT volume under recovery, as its boot region gives it.
#include "exfat/BootRegion.h"

namespace qr::exfat {
using Geometry = ExfatGeometry;
}
