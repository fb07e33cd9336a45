#pragma once
// The save's progress views belong to output/; the dialog models and the GUI use them
// under these names too.
#include "output/SaveProgressView.h"

namespace qr::ui {

using output::CountProgressView;
using output::MakeSavingTexts;
using output::MegabytesText;
using output::MinutesSecondsText;
using output::SavedPercent;
using output::SaveProgressView;
using output::SavingTexts;

} // namespace qr::ui
