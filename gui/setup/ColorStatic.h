#pragma once
// Background and text colours for a label or an edit box: a solid background of the
// chosen colour (the window's button colour unless set) and a chosen text colour
// (black unless set). Attached to the control it colours.
#include <QColor>
#include <QObject>
#include <QWidget>

namespace qr::setupgui {

class ColorStatic : public QObject {
    Q_OBJECT
public:
    explicit ColorStatic(QWidget* control);

    // Each redraws the control at once.
    void setBkColor(const QColor& colour);
    void setTextColor(const QColor& colour);
    QColor bkColor() const { return back_; }
    QWidget* control() const { return control_; }

    // The ColorStatic attached to `control`, if any.
    static ColorStatic* of(QWidget* control);

private:
    void apply();

    QWidget* control_;
    QColor back_;
    QColor text_ = Qt::black;
};

} // namespace qr::setupgui
