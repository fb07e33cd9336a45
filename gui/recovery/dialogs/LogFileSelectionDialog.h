#pragma once
// "Log File Selection": the report files in a drop-down list, newest first, with OK
// and Cancel. View Report opens the chosen one.
#include "skin/Skin.h"

#include <QStringList>

class QComboBox;

namespace qr::gui {

class LogFileSelectionDialog : public SkinnedDialog {
    Q_OBJECT
public:
    // `files`: whole paths; the list shows their names.
    LogFileSelectionDialog(QWidget* parent, const QStringList& files);
    // The whole path of the chosen file; empty when none.
    QString selectedFile() const;

private:
    QComboBox* files_;
};

} // namespace qr::gui
