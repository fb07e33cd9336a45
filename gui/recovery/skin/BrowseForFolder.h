#pragma once
// The folder chooser behind every browse button.
#include <QString>

class QWidget;

namespace qr::gui {

// Asks for a folder, starting at `folder`; on a choice puts it into `folder` and
// returns true. The old style is the classic file dialog reduced to its folder list
// (the chosen folder is its path up to the name "Junk" in the name box); otherwise the
// folder chooser with `title`, folders only.
bool browseForFolder(QString& folder, QWidget* owner, bool oldStyle, const QString& title);

} // namespace qr::gui
