#pragma once
// The fixed-pitch font the windows line texts up with (detail rows, printed lists). The
// desktop's "monospace" is not always fixed pitch as Qt measures it, so the font
// database is asked for a family that really is: common ones first, then the system's
// fixed font, then any fixed-pitch family installed.
#include <QFont>
#include <QStringList>

namespace qr::gui {

// Families tried first, in order.
QStringList CommonFixedPitchFamilies();

// A fixed-pitch font of `pointSize` points (the system's fixed font when no family is
// fixed pitch).
QFont FixedPitchFont(qreal pointSize);

} // namespace qr::gui
