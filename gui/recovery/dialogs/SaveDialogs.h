#pragma once
// The dialogs of a save: "Save As", "Settings", "Calculating File Size" and "Saving".
// Each is a view on its model in src/ui; the models hold the checks and the state.
#include "app/RecoveryContext.h"
#include "skin/FolderEdit.h"
#include "skin/Skin.h"
#include "ui/SaveAsDialogModel.h"
#include "ui/SaveDialogsModel.h"
#include "ui/SaveProgressView.h"
#include "ui/SettingsDialogModel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <memory>

namespace qr::gui {

class ImageButton;
class TextProgress;

class SaveAsDialog : public PictureDialog {
    Q_OBJECT
public:
    SaveAsDialog(QWidget* parent, app::RecoveryContext& ctx, std::string sourceDevice);
    QLineEdit* folderBox() const { return folder_; }

protected:
    void accept() override;
    void reject() override;

private:
    app::RecoveryContext& ctx_;
    ui::SaveAsDialogModel model_;
    FolderEdit* folder_;
};

class SettingsDialog : public SkinnedDialog {
    Q_OBJECT
public:
    SettingsDialog(QWidget* parent, app::RecoveryContext& ctx);

protected:
    void accept() override;
    void reject() override;

private:
    void refillList();
    ui::SettingsDialogModel model_;
    QLineEdit* extension_;
    QListWidget* list_;
    QPushButton* remove_;
    QComboBox* dates_[output::kDateLists];
};

// "Calculating File Size": starts the counting pass on its first paint and closes with
// OK on the first paint after the pass; "Stop " and "Cancel" end the count.
class CalculatingDialog : public SkinnedDialog, public ui::CountProgressView {
    Q_OBJECT
public:
    CalculatingDialog(QWidget* parent, app::RecoveryContext& ctx);
    ~CalculatingDialog() override;
    bool cancelled() const { return model_.cancelled(); }
    void showFilesCounted(std::uint32_t filesToSave) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    app::RecoveryContext& ctx_;
    ui::CalculatingSizeDialog model_;
    QLabel* counter_;
    bool closing_ = false;
};

// "Saving": runs the writing pass; "S&kip" and "&Stop" set their flags, the dialog
// closes itself when the pass has ended.
class SavingDialog : public SkinnedDialog, public ui::SaveProgressView {
    Q_OBJECT
public:
    SavingDialog(QWidget* parent, app::RecoveryContext& ctx);
    ~SavingDialog() override;
    void showSaving(const ui::SavingTexts& texts) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void reject() override {} // only the end of the pass closes it

private:
    void apply(const ui::SavingTexts& texts);
    app::RecoveryContext& ctx_;
    ui::SavingDialog model_;
    QLabel *name_, *path_, *files_, *current_, *done_, *total_, *remaining_, *elapsed_;
    TextProgress* bar_;
    bool closing_ = false;
};

} // namespace qr::gui
