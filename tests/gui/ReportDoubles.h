#pragma once
// Test doubles for the desktop services of the report commands: a print dialog that
// "chooses" a PDF file (or is cancelled) and a mail composer that records.
#include "reports/ReportPorts.h"

#include <QPrinter>

#include <filesystem>
#include <vector>

namespace qr::test {

class PdfPrinters final : public gui::PrinterChooser {
public:
    std::unique_ptr<QPrinter> choosePrinter(QWidget*) override {
        ++shown;
        if (cancel || file.empty())
            return nullptr;
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(file.string()));
        return printer;
    }
    std::filesystem::path file; // where the next print goes
    bool cancel = false;
    int shown = 0;
};

class RecordingMailer final : public gui::MailComposer {
public:
    bool available() override { return present; }
    bool compose(const gui::MailMessage& message) override {
        sent.push_back(message);
        return true;
    }
    bool present = true;
    std::vector<gui::MailMessage> sent;
};

} // namespace qr::test
