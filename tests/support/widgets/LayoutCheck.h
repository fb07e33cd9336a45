#pragma once
// Reading a window as a user does: texts cut by their control, controls over each
// other, outside their frame or outside the window. Shared by the recovery program's
// and the installer's window tests.
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace qr::test::widgets {

// The problems found among the visible controls of `top` (labels, buttons, edit boxes,
// lists, text boxes, progress bars, and any widget `alsoControl` accepts). Empty when
// every text shows whole and no control runs into another.
std::vector<std::string> layoutProblems(QWidget* top,
                                        const std::function<bool(QWidget*)>& alsoControl = {});

} // namespace qr::test::widgets
