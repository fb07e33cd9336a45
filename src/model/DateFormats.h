#pragma once
// The file list's date and time texts (the engines format their own stamps).
#include "volume/DateFormats.h"

namespace qr::model {

using volume::FormatFatDate;
using volume::FormatFatTime;
using volume::FormatNtfsDate;
using volume::FormatNtfsTime;

} // namespace qr::model
