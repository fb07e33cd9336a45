#pragma once
// The installer's pictures, drawn at start: the four page backgrounds of the wizard,
// the cancel question's and the closing window's backgrounds, and the three-image
// sets of the buttons (normal, pressed, disabled) with their words in them. Each is
// drawn for the layout's sizes below, grown by the window's layout scale and sharp on
// a screen of any pixel ratio.
#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <vector>

namespace qr::setupgui {

inline const QSize kWizardSize(564, 367);
inline const QSize kExitSize(395, 150);
inline const QSize kButtonSize(88, 26);
inline const QColor kPanelGrey(215, 217, 217);
inline const QRect kPanel(170, 66, 382, 238);

enum class ButtonTone { Blue, Slate };

// How large a picture is drawn: the layout's scale (its size on screen is the layout's
// size times `layout`) and the screen's device pixel ratio.
struct ArtScale {
    double layout = 1.0;
    double device = 1.0;
};

// 1 welcome, 2 licence, 3 destination, 4 installing
QPixmap WizardBackground(int page, ArtScale scale = {});
QPixmap FinishBackground(ArtScale scale = {});
QPixmap ExitBackground(ArtScale scale = {});
std::vector<QPixmap> ButtonImages(const QString& words, ButtonTone tone = ButtonTone::Blue,
                                  QSize size = kButtonSize, ArtScale scale = {});

} // namespace qr::setupgui
