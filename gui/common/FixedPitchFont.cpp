#include "FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace qr::gui {

QStringList CommonFixedPitchFamilies() {
    return {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono",   "Noto Sans Mono",
            "Ubuntu Mono",      "Cousine",         "Courier New", "FreeMono"};
}

namespace {

QString fixedPitchFamily() {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : CommonFixedPitchFamilies())
        if (installed.contains(family) && QFontDatabase::isFixedPitch(family))
            return family;
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(system).fixedPitch())
        return QFontInfo(system).family();
    for (const QString& family : installed)
        if (QFontDatabase::isFixedPitch(family) && !QFontDatabase::isPrivateFamily(family))
            return family;
    return {};
}

} // namespace

QFont FixedPitchFont(qreal pointSize) {
    // Asked once: the installed fonts do not change while the program runs.
    static const QString family = fixedPitchFamily();
    QFont font =
        family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(family);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    return font;
}

} // namespace qr::gui
