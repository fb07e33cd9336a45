#pragma once
// The layout of the exFAT volume under recovery, as its boot region gives it.
#include "volume/ExfatBootRegion.h"

namespace qr::exfat {
using Geometry = volume::ExfatGeometry;
}
