#include "dialogs/SaveQuestionsGui.h"

#include "QtMessages.h"
#include "dialogs/SimpleDialogs.h"

#include <QApplication>

namespace qr::gui {

QWidget* SaveQuestionsGui::dialogParent() const {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : owner_;
}

output::ReplacePolicy SaveQuestionsGui::askReplace(const std::string& outputPath) {
    output::ReplacePolicy answer = output::ReplacePolicy::Keep;
    runOnGuiThread(this, [&] {
        ReplaceDialog dialog(dialogParent(), QString::fromStdString(outputPath));
        dialog.exec();
        answer = dialog.answer();
    });
    return answer;
}

ui::WriteErrorAnswer SaveQuestionsGui::askWriteError(const std::string& outputPath,
                                                     const std::string& reason) {
    ui::WriteErrorAnswer answer = ui::WriteErrorAnswer::Skip;
    runOnGuiThread(this, [&] {
        WriteErrorDialog dialog(dialogParent(), QString::fromStdString(outputPath),
                                QString::fromStdString(reason));
        dialog.exec();
        answer = dialog.answer();
    });
    return answer;
}

} // namespace qr::gui
