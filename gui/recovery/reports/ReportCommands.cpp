#include "reports/ReportCommands.h"

#include "app/Contacts.h"
#include "app/DesktopOpen.h"
#include "app/RecoveryContext.h"
#include "app/SearchReport.h"
#include "dialogs/LogFileSelectionDialog.h"
#include "output/DirectoryList.h"
#include "output/ReportFiles.h"
#include "reports/TextPrinter.h"

#include <QPrinter>

#include <filesystem>
#include <system_error>

namespace qr::gui {

namespace fs = std::filesystem;

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The directory-list file, in a folder that is created when missing.
fs::path directoryListFile(const char* name) {
    std::error_code ec;
    fs::create_directories(output::DirectoryListFolder(), ec);
    return output::DirectoryListFolder() / name;
}

} // namespace

ReportCommands::ReportCommands(QWidget* owner, app::RecoveryContext& context,
                               PrinterChooser* printers, MailComposer* mailer)
    : owner_(owner), ctx_(context), printers_(printers), mailer_(mailer) {}

void ReportCommands::printReport() {
    std::unique_ptr<QPrinter> printer = printers().choosePrinter(owner_);
    if (!printer)
        return;
    printer->setDocName(TextPrinter::kTitle);
    TextPrinter text(*printer);
    text.startPrinting();
    // A second line of one line feed after each: the details come out double-spaced.
    for (const std::string& line : app::RecoveryDetailLines(ctx_)) {
        text.printLine(qs(line));
        text.printLine("\n");
    }
    text.endPrinting();
}

bool ReportCommands::mayWriteDirectoryList() const {
    return !writingList_ && ctx_.wizardStage >= 3;
}

void ReportCommands::viewDirectoryList() {
    if (!mayWriteDirectoryList())
        return;
    writingList_ = true;
    const fs::path file = directoryListFile(output::kDirectoryListViewFile);
    output::WriteDirectoryListFile(
        file, output::DirectoryListLines(ctx_.recoveryTree, ctx_.recoveryTree.firstTopLevel()),
        "\r\n");
    writingList_ = false;
    app::OpenOnDesktop(ctx_, file.string());
}

void ReportCommands::printDirectoryList() {
    if (!mayWriteDirectoryList())
        return;
    writingList_ = true;
    const fs::path file = directoryListFile(output::kDirectoryListPrintFile);
    const bool written = output::WriteDirectoryListFile(
        file, output::DirectoryListLines(ctx_.recoveryTree, ctx_.recoveryTree.firstTopLevel()),
        std::string(1, output::kPrintSeparator));
    if (written) {
        if (std::unique_ptr<QPrinter> printer = printers().choosePrinter(owner_)) {
            printer->setDocName(TextPrinter::kTitle);
            TextPrinter text(*printer);
            text.startPrinting();
            for (const std::string& line : output::ReadPrintFile(file))
                text.printLine(qs(line));
            text.endPrinting();
        }
    }
    writingList_ = false;
}

void ReportCommands::viewReport() {
    if (!ctx_.registry)
        return;
    const auto count = output::ReadReportCount(*ctx_.registry);
    if (!count || *count == 0) {
        ctx_.messages->inform("Unable to find Quarrixdale Recovery Memory Card Log File");
        return;
    }
    QStringList names;
    for (const fs::path& file : output::ReportFilesNewestFirst(output::ReportFolder(), *count))
        names << qs(file.string());
    LogFileSelectionDialog dialog(owner_, names);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFile().isEmpty())
        app::OpenOnDesktop(ctx_, dialog.selectedFile().toStdString());
}

void ReportCommands::emailReport() {
    if (!mailer().available()) {
        ctx_.messages->ask("Unable to Load EmailMessaging SubSystem", platform::kMessageCaption,
                           platform::MessageIcon::Warning, platform::MessageButtons::Ok);
        return;
    }
    if (!ctx_.registry)
        return;
    const auto count = output::ReadReportCount(*ctx_.registry);
    if (!count || *count == 0)
        return;
    const fs::path file = output::ReportFilePath(output::ReportFolder(), *count);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return;
    MailMessage message;
    message.subject = "Quarrixdale Recovery Memory Card Log File";
    message.body = "Attachment contains Quarrixdale Recovery-Memory Card Log File";
    message.to = qs(app::kSupportMail);
    message.cc = qs(app::kSupportMail);
    message.attachment = qs(file.string());
    mailer().compose(message);
}

void ReportCommands::clearReports() {
    if (ctx_.registry)
        output::ClearReports(*ctx_.registry, output::ReportFolder());
}

} // namespace qr::gui
