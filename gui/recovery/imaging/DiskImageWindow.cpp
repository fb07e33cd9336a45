#include "imaging/DiskImageWindow.h"

#include "imaging/ImagingEvents.h"
#include "imaging/RescueMapPicture.h"
#include "rescue/RescueStatusText.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qr::gui {

namespace {

// A swatch of the cell's colour and its name, for the legend under the picture.
QWidget* legendEntry(rescue::MapCell cell, const QString& name, QWidget* parent) {
    auto* entry = new QWidget(parent);
    auto* row = new QHBoxLayout(entry);
    row->setContentsMargins(0, 0, 0, 0);
    auto* swatch = new QLabel(entry);
    swatch->setFixedSize(12, 12);
    swatch->setStyleSheet("background: " + RescueMapPicture::colour(cell).name() + ";");
    row->addWidget(swatch);
    row->addWidget(new QLabel(name, entry));
    return entry;
}

} // namespace

DiskImageWindow::DiskImageWindow(QWidget* parent, std::unique_ptr<app::DiskImaging> imaging,
                                 const QString& diskLabel)
    : QDialog(parent), imaging_(std::move(imaging)) {
    setWindowTitle("Create Disk Image");
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QString("%1 %2 (%3) into %4")
                                   .arg(imaging_->resuming() ? "Resuming the copy of" : "Copying",
                                        diskLabel, QString::fromStdString(imaging_->medium()),
                                        QString::fromStdString(imaging_->image())),
                               this);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    auto* figures = new QFormLayout;
    for (const auto& [name, value] : rescue::RescueStatusFigures(rescue::RescueStatus{})) {
        QString caption = QString::fromStdString(name);
        caption[0] = caption[0].toUpper();
        auto* shown = new QLabel("-", this);
        figures->addRow(caption + " :", shown);
        values_.push_back(shown);
    }
    layout->addLayout(figures);
    picture_ = new RescueMapPicture(this);
    picture_->setCells(imaging_->cells());
    layout->addWidget(picture_, 1);
    auto* legend = new QHBoxLayout;
    legend->addWidget(legendEntry(rescue::MapCell::Rescued, "Rescued", this));
    legend->addWidget(legendEntry(rescue::MapCell::Bad, "Bad", this));
    legend->addWidget(legendEntry(rescue::MapCell::Slow, "Slow", this));
    legend->addWidget(legendEntry(rescue::MapCell::NotTried, "Not tried yet", this));
    legend->addStretch();
    layout->addLayout(legend);
    outcome_ =
        new QLabel("The map is kept in " + QString::fromStdString(imaging_->mapPath()), this);
    outcome_->setWordWrap(true);
    layout->addWidget(outcome_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    stop_ = new QPushButton("&Stop", this);
    buttons->addWidget(stop_);
    layout->addLayout(buttons);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (end_) {
            close();
            return;
        }
        stopping_ = true;
        stop_->setEnabled(false);
        stop_->setText("Stopping...");
    });
    resize(560, 380);

    worker_ = std::jthread([this] {
        const rescue::RescueEnd end =
            imaging_->run(stopping_, [this](const app::ImagingProgress& progress) {
                QCoreApplication::postEvent(this, new ImagingProgressEvent(progress));
            });
        QCoreApplication::postEvent(this, new ImagingEndEvent(end));
    });
}

DiskImageWindow::~DiskImageWindow() {
    stopping_ = true;
    if (worker_.joinable())
        worker_.join();
}

QStringList DiskImageWindow::figures() const {
    QStringList texts;
    for (const QLabel* value : values_)
        texts << value->text();
    return texts;
}

bool DiskImageWindow::event(QEvent* event) {
    if (event->type() == ImagingProgressEvent::kind()) {
        showProgress(static_cast<ImagingProgressEvent*>(event)->progress);
        return true;
    }
    if (event->type() == ImagingEndEvent::kind()) {
        finish(static_cast<ImagingEndEvent*>(event)->end);
        return true;
    }
    return QDialog::event(event);
}

// Closing the window while the copy runs stops it; the window goes once it has ended.
void DiskImageWindow::closeEvent(QCloseEvent* event) {
    if (!end_) {
        stopping_ = true;
        stop_->setEnabled(false);
        stop_->setText("Stopping...");
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void DiskImageWindow::showProgress(const app::ImagingProgress& progress) {
    const auto figures = rescue::RescueStatusFigures(progress.status);
    for (std::size_t i = 0; i < figures.size() && i < values_.size(); ++i)
        values_[i]->setText(QString::fromStdString(figures[i].second));
    picture_->setCells(progress.cells);
}

void DiskImageWindow::finish(rescue::RescueEnd end) {
    if (worker_.joinable())
        worker_.join();
    end_ = end;
    picture_->setCells(imaging_->cells());
    QString text = QString::fromStdString(imaging_->endText(end));
    text[0] = text[0].toUpper();
    outcome_->setText(text + ".\nThe map is kept in " +
                      QString::fromStdString(imaging_->mapPath()));
    stop_->setEnabled(true);
    stop_->setText("&Close");
    Q_EMIT ended(end);
}

} // namespace qr::gui
