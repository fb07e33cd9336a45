#pragma once
// The Report and Directory List commands of the Maintenance menu: print the recovery
// details, view or print the directory list, view, mail or clear the report files.
#include "reports/ReportPorts.h"

namespace qr::app {
struct RecoveryContext;
}

class QWidget;

namespace qr::gui {

class ReportCommands {
public:
    // The ports outlive this object; null ports use the desktop's own.
    ReportCommands(QWidget* owner, app::RecoveryContext& context, PrinterChooser* printers,
                   MailComposer* mailer);

    void printReport();
    void viewDirectoryList();
    void printDirectoryList();
    void viewReport();
    void emailReport();
    void clearReports();

private:
    PrinterChooser& printers() { return printers_ ? *printers_ : dialogPrinters_; }
    MailComposer& mailer() { return mailer_ ? *mailer_ : xdgMailer_; }
    // False while a directory list is being written or before the browse step.
    bool mayWriteDirectoryList() const;

    QWidget* owner_;
    app::RecoveryContext& ctx_;
    PrinterChooser* printers_;
    MailComposer* mailer_;
    DialogPrinterChooser dialogPrinters_;
    XdgMailComposer xdgMailer_;
    bool writingList_ = false;
};

} // namespace qr::gui
