#pragma once
// Recovered names as text for places that cannot take them raw: a line of the listing
// (control characters would break its fields or reach the terminal) and a cell of the
// wizard (where they would be invisible).
#include <string>

namespace qr::output {

// Backslash escapes: "\n", "\t", "\r", "\\", and "\xHH" (two lowercase hex digits) for
// every other byte below 0x20 and for 0x7F. Other bytes stay as they are.
std::string EscapeListedName(const std::string& name);

// Each control character (below 0x20, and 0x7F) becomes its visible mark from the
// Control Pictures block (LF "\u240A", ESC "\u241B", DEL "\u2421"), in UTF-8.
std::string VisibleControlMarks(const std::string& name);

} // namespace qr::output
