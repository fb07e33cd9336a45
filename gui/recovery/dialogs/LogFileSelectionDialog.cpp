#include "dialogs/LogFileSelectionDialog.h"

#include "FontScale.h"
#include "skin/ImageButton.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

namespace qr::gui {

LogFileSelectionDialog::LogFileSelectionDialog(QWidget* parent, const QStringList& files)
    : SkinnedDialog(parent) {
    setWindowTitle("Log File Selection");
    setFixedSize(460, 140);
    placeLabel("Select Log File :", this, QRect(20, 25, 110, 24));
    files_ = new QComboBox(this);
    files_->setObjectName("files");
    files_->setGeometry(135, 25, 305, 24);
    // The names are shown; the whole path is the item's data and its tooltip.
    for (const QString& file : files) {
        files_->addItem(QFileInfo(file).fileName(), file);
        files_->setItemData(files_->count() - 1, file, Qt::ToolTipRole);
    }
    files_->setCurrentIndex(files.isEmpty() ? -1 : 0);
    auto* ok = placeButton("OK", "OK", this, 122, 85);
    auto* cancel = placeButton("Cancel", "Cancel", this, 242, 85);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    fitToFont(this);
}

QString LogFileSelectionDialog::selectedFile() const {
    return files_->currentData().toString();
}

} // namespace qr::gui
