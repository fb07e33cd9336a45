#pragma once
// The save's questions belong to output/; the dialog models and the GUI use them under
// these names too.
#include "output/SaveQuestions.h"

namespace qr::ui {

using output::ApplyWriteErrorAnswer;
using output::ReplaceQuestion;
using output::WriteErrorAnswer;
using output::WriteErrorQuestion;

} // namespace qr::ui
