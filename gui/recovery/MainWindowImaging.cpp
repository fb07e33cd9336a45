// Disk images in the wizard: "Create Disk Image..." copies the chosen disk into an
// image in the imaging window; "Add Disk Image..." lists an image as a disk, with the
// rescue map that lies beside it when the user wants it.
#include "MainWindow.h"
#include "app/DiskImaging.h"
#include "disk/SectorReader.h"
#include "imaging/DiskImageWindow.h"
#include "rescue/ImageMapFile.h"

#include <QDir>
#include <QFileDialog>

namespace qr::gui {

DiskImageWindow* MainWindow::imagingWindow() const {
    return imaging_;
}

void MainWindow::chooseImageDestination() {
    if (ctx_->wizardStage != 0 || ctx_->selectedDiskLabel.empty()) {
        ctx_->messages->inform("Select the disk to copy from the left panel first.");
        return;
    }
    const QString suggested =
        QDir::home().filePath(QString::fromStdString(ctx_->selectedDiskLabel) + ".img");
    const QString path = QFileDialog::getSaveFileName(this, "Create Disk Image", suggested);
    if (!path.isEmpty())
        createDiskImage(path.toStdString());
}

void MainWindow::createDiskImage(const std::string& destination) {
    if (imaging_ && !imaging_->end()) {
        imaging_->raise(); // one copy at a time
        return;
    }
    if (ctx_->wizardStage != 0 || ctx_->selectedDiskLabel.empty())
        return;
    auto imaging = std::make_unique<app::DiskImaging>();
    if (const std::string refusal =
            imaging->prepare(*ctx_, app::DiskNumberOfLabel(ctx_->selectedDiskLabel), destination);
        !refusal.empty()) {
        ctx_->messages->error(refusal);
        return;
    }
    auto* window = new DiskImageWindow(this, std::move(imaging),
                                       QString::fromStdString(ctx_->selectedDiskLabel));
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The wizard waits while its disk is copied: nothing else reads the medium meanwhile.
    window->setWindowModality(Qt::WindowModal);
    imaging_ = window;
    connect(window, &DiskImageWindow::ended, this,
            [this, window](rescue::RescueEnd end) { offerImageSearch(*window, end); });
    window->show();
}

// An image whose copy stopped part way is worth searching too: its map says which
// sectors it lacks.
void MainWindow::offerImageSearch(const DiskImageWindow& window, rescue::RescueEnd end) {
    if (end == rescue::RescueEnd::WriteFailed || end == rescue::RescueEnd::MapNotSaved)
        return;
    const std::string& image = window.imaging().image();
    if (ctx_->messages->askYesNo("Do you want to search the image " + image +
                                 "?\nIt is listed as a disk; the sectors its map did not "
                                 "rescue read as unreadable."))
        listDiskImage(image, window.imaging().mapPath());
}

void MainWindow::addDiskImage(const std::string& path) {
    std::optional<std::string> map = rescue::MapBesideImage(path);
    if (map && !ctx_->messages->askYesNo("A rescue map lies beside the image:\n" + *map +
                                         "\nDo you want to use it? The sectors it did not "
                                         "rescue then read as unreadable."))
        map.reset();
    listDiskImage(path, map);
}

// The image joins the images the detector lists first; the listing runs again.
void MainWindow::listDiskImage(const std::string& path, const std::optional<std::string>& map) {
    if (map)
        if (const std::string refusal = rescue::ApplyImageMap(*ctx_->reader, path, *map);
            !refusal.empty())
            ctx_->messages->error("The map cannot be used: " + refusal);
    options_.images.push_back(path);
    if (ctx_->wizardStage != 0)
        return;
    listDisks();
    selectImageDisk(path);
}

// The disk the image became is chosen, as a click on it would.
void MainWindow::selectImageDisk(const std::string& path) {
    for (unsigned disk = 0; disk < unsigned{disk::kDeviceNames}; ++disk) {
        if (ctx_->reader->paths().name(disk) != path)
            continue;
        const std::string label = "Disk" + std::to_string(disk);
        for (const model::TreeItem item : ctx_->diskTree.children(ctx_->diskTree.firstTopLevel()))
            if (ctx_->diskTree.text(item) == label)
                wizard_->clickDisk(item);
        return;
    }
}

} // namespace qr::gui
