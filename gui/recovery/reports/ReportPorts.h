#pragma once
// The desktop services the report commands use: the print dialog and the mail
// composer. Tests put doubles behind them.
#include <QString>

#include <memory>

class QPrinter;
class QWidget;

namespace qr::gui {

class PrinterChooser {
public:
    virtual ~PrinterChooser() = default;
    // Shows the print dialog; the chosen printer, or null when the user cancels.
    virtual std::unique_ptr<QPrinter> choosePrinter(QWidget* owner) = 0;
};

// Qt's print dialog: a printer of the system or a PDF file.
class DialogPrinterChooser final : public PrinterChooser {
public:
    std::unique_ptr<QPrinter> choosePrinter(QWidget* owner) override;
};

struct MailMessage {
    QString subject;
    QString body;
    QString to;
    QString cc;
    QString attachment; // a file path
};

class MailComposer {
public:
    virtual ~MailComposer() = default;
    // False when the desktop has no way to compose mail.
    virtual bool available() = 0;
    // Opens the composer with the message filled in; false when it could not be started.
    virtual bool compose(const MailMessage& message) = 0;
};

// The desktop's mail composer through xdg-email.
class XdgMailComposer final : public MailComposer {
public:
    bool available() override;
    bool compose(const MailMessage& message) override;
};

} // namespace qr::gui
