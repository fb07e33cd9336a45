#pragma once
// The progress window of "Create Disk Image": the copy's figures (rescued, bad areas
// and bytes, rate, time left), the map's picture filling as the copy goes, and Stop.
// The copy runs on a worker thread that posts its progress as events; Stop ends it
// with the map saved, so the same destination resumes it later. Not modal.
#include "app/DiskImaging.h"

#include <QDialog>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QLabel;
class QPushButton;

namespace qr::gui {

class RescueMapPicture;

class DiskImageWindow : public QDialog {
    Q_OBJECT
public:
    // Starts the copy of a prepared imaging; `diskLabel` names the disk ("Disk1").
    DiskImageWindow(QWidget* parent, std::unique_ptr<app::DiskImaging> imaging,
                    const QString& diskLabel);
    ~DiskImageWindow() override;

    const app::DiskImaging& imaging() const { return *imaging_; }
    RescueMapPicture* picture() const { return picture_; }
    // "Stop" while the copy runs, "Close" after.
    QPushButton* stopButton() const { return stop_; }
    // How the copy ended; nullopt while it runs.
    std::optional<rescue::RescueEnd> end() const { return end_; }
    // The figures' values as shown, in RescueStatusFigures' order.
    QStringList figures() const;

Q_SIGNALS:
    // The copy has ended (the worker has been joined).
    void ended(qr::rescue::RescueEnd end);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showProgress(const app::ImagingProgress& progress);
    void finish(rescue::RescueEnd end);

    std::unique_ptr<app::DiskImaging> imaging_;
    RescueMapPicture* picture_ = nullptr;
    std::vector<QLabel*> values_;
    QLabel* outcome_ = nullptr;
    QPushButton* stop_ = nullptr;
    std::optional<rescue::RescueEnd> end_;
    std::atomic<bool> stopping_{false};
    std::jthread worker_;
};

} // namespace qr::gui
