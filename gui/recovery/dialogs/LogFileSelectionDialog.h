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
    LogFileSelectionDialog(QWidget* parent, const QStringList& files);
    QString selectedFile() const;

private:
    QComboBox* files_;
};

} // namespace qr::gui
