#pragma once
// The installer's pictures, drawn at start: the four page backgrounds of the wizard,
// the cancel question's and the closing window's backgrounds, and the three-image
// sets of the buttons (normal, pressed, disabled) with their words in them.
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

QPixmap WizardBackground(int page); // 1 welcome, 2 licence, 3 destination, 4 installing
QPixmap FinishBackground();
QPixmap ExitBackground();
std::vector<QPixmap> ButtonImages(const QString& words, ButtonTone tone = ButtonTone::Blue,
                                  QSize size = kButtonSize);

} // namespace qr::setupgui
