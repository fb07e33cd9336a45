#pragma once
// The writing pass's questions shown as dialogs on the GUI thread while the worker waits.
#include "ui/SaveQuestions.h"

#include <QObject>
#include <QWidget>

namespace qr::gui {

class SaveQuestionsGui final : public QObject,
                               public ui::ReplaceQuestion,
                               public ui::WriteErrorQuestion {
    Q_OBJECT
public:
    explicit SaveQuestionsGui(QWidget* owner) : QObject(owner), owner_(owner) {}
    output::ReplacePolicy askReplace(const std::string& outputPath) override;
    ui::WriteErrorAnswer askWriteError(const std::string& outputPath,
                                       const std::string& reason) override;

private:
    QWidget* dialogParent() const;
    QWidget* owner_;
};

} // namespace qr::gui
