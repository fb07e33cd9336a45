#pragma once
// A search-mode radio button: the pointer passing over it chooses the mode exactly as
// a click does.
#include <QRadioButton>

namespace qr::gui {

class ModeButton : public QRadioButton {
    Q_OBJECT
public:
    ModeButton(const QString& caption, int mode, QWidget* parent = nullptr);
    int mode() const { return mode_; }

Q_SIGNALS:
    void chosen(int mode);

protected:
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void choose();
    int mode_;
};

} // namespace qr::gui
