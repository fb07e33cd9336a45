#pragma once
// The small fixed windows: splash, wait window, No Media, About, and the two questions
// a writing pass asks ("Replace File Confirmation", "Error Writing Destination").
#include "output/SaveState.h"
#include "skin/Skin.h"
#include "ui/SaveQuestions.h"

#include <QDialog>
#include <QWidget>

namespace qr::gui {

// Splash: a frameless window with the splash image, shown while the program starts.
class SplashWindow : public SkinnedDialog {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);
};

// WaitPopup: a borderless, centred window the user cannot close; its caller destroys it.
class WaitPopup : public PictureDialog {
    Q_OBJECT
public:
    explicit WaitPopup(QWidget* parent);
    void reject() override {}
};

// No Media: "Retry" (accept) or "Exit" (reject).
class NoMediaDialog : public PictureDialog {
    Q_OBJECT
public:
    explicit NoMediaDialog(QWidget* parent);
};

class AboutDialog : public SkinnedDialog {
    Q_OBJECT
public:
    // `ownerText`: the registered owner and organisation joined by "\r\n".
    AboutDialog(QWidget* parent, const QString& ownerText);
};

class ReplaceDialog : public PictureDialog {
    Q_OBJECT
public:
    ReplaceDialog(QWidget* parent, const QString& path);
    output::ReplacePolicy answer() const { return answer_; }

private:
    output::ReplacePolicy answer_ = output::ReplacePolicy::Keep;
};

class WriteErrorDialog : public SkinnedDialog {
    Q_OBJECT
public:
    WriteErrorDialog(QWidget* parent, const QString& path, const QString& reason);
    ui::WriteErrorAnswer answer() const { return answer_; }

private:
    ui::WriteErrorAnswer answer_ = ui::WriteErrorAnswer::Skip;
};

} // namespace qr::gui
