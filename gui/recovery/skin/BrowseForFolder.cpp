#include "skin/BrowseForFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace qr::gui {

namespace {

bool oldStyleChooser(QString& folder, QWidget* owner, const QString& title) {
    QFileDialog dialog(owner, title, folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Folders only; the name box holds a placeholder the answer is cut from.
    dialog.setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    dialog.selectFile("Junk");
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList files = dialog.selectedFiles();
    QString chosen = files.isEmpty() ? dialog.directory().absolutePath()
                                     : QFileInfo(files.front()).absolutePath();
    if (chosen.isEmpty())
        return false;
    folder = QDir::toNativeSeparators(chosen);
    return true;
}

bool folderChooser(QString& folder, QWidget* owner, const QString& title) {
    QFileDialog dialog(owner, title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty())
        return false;
    folder = QDir::toNativeSeparators(files.front());
    return true;
}

} // namespace

bool browseForFolder(QString& folder, QWidget* owner, bool oldStyle, const QString& title) {
    return oldStyle ? oldStyleChooser(folder, owner, title) : folderChooser(folder, owner, title);
}

} // namespace qr::gui
