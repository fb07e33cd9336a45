#pragma once
// The installer's wizard window: welcome, licence and destination pages, then the
// installation itself with its progress bar.
#include "BkDialogST.h"
#include "SetupHooks.h"
#include "setup/Installation.h"

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;

namespace qr::setupgui {

class Btn;

namespace id {
inline constexpr int kCancel = 2, kNext = 3, kBack = 4, kBrowse = 5;
inline constexpr int kLicenceText = 1000, kLicenceHint = 1055, kAccepted = 1061,
                     kAcceptLabel = 1056;
inline constexpr int kDestinationLabel = 1060, kDestination = 1045;
inline constexpr int kDriveSizeLabel = 1059, kDriveSize = 1050, kFreeLabel = 1057, kFree = 1051,
                     kRequiredLabel = 1058, kRequired = 1052;
inline constexpr int kInstalling = 1043, kProgress = 1042;
} // namespace id

class First : public BkDialogST {
    Q_OBJECT
public:
    explicit First(SetupHooks hooks, QWidget* parent = nullptr);

    int setupStage() const { return stage_; }
    const QString& basePath() const { return basePath_; }
    // The installation's outcome, once it ran.
    const std::optional<setup::InstallResult>& result() const { return result_; }
    // A control by its number (buttons, labels, edits, the check box, the bar).
    QWidget* control(int number) const;

    void reject() override; // Escape: the cancel question

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void next();
    void back();
    void cancel();
    void browse();
    void ticked();
    void showWelcome();
    void showLicence();
    void showDestination();
    void install();
    void showDestinationControls(bool shown);
    void showLicenceControls(bool shown);
    void updateSpaceFigures();
    void showDestinationText();
    // A button's three pictures at the window's scale.
    std::vector<QPixmap> images(const QString& words, ButtonTone tone = ButtonTone::Blue) const;

    SetupHooks hooks_;
    int stage_ = 1;
    QString basePath_;
    bool installing_ = false;
    std::optional<setup::InstallResult> result_;
    Btn* next_;
    Btn* back_;
    Btn* cancel_;
    Btn* browse_;
    QPlainTextEdit* licence_;
    QLabel* licenceHint_;
    QCheckBox* accepted_;
    QLabel* acceptLabel_;
    QLineEdit* destination_;
    QProgressBar* progress_;
    QLabel* installingLabel_;
};

} // namespace qr::setupgui
