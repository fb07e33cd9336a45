#include "reports/ReportPorts.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

namespace qr::gui {

std::unique_ptr<QPrinter> DialogPrinterChooser::choosePrinter(QWidget* owner) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), owner);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}

bool XdgMailComposer::available() {
    return !QStandardPaths::findExecutable("xdg-email").isEmpty();
}

bool XdgMailComposer::compose(const MailMessage& message) {
    const QString program = QStandardPaths::findExecutable("xdg-email");
    if (program.isEmpty())
        return false;
    QStringList args{"--utf8", "--subject", message.subject, "--body", message.body};
    if (!message.cc.isEmpty())
        args << "--cc" << message.cc;
    if (!message.attachment.isEmpty())
        args << "--attach" << message.attachment;
    args << message.to;
    return QProcess::startDetached(program, args);
}

} // namespace qr::gui
