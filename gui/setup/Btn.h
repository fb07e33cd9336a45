#pragma once
// A push button drawn from one to three equal-sized images (normal, pressed,
// disabled) and sized to them, with a tooltip. Its text names it; it is drawn only
// when asked for, as the installer's buttons carry their words in the images.
#include <QPixmap>
#include <QPushButton>
#include <vector>

namespace qr::setupgui {

class Btn : public QPushButton {
    Q_OBJECT
public:
    explicit Btn(const QString& text, QWidget* parent = nullptr);

    // Replaces the images (one to three) and resizes the button to them.
    void setImages(const std::vector<QPixmap>& images);
    void setTooltipText(const QString& text) { setToolTip(text); }
    void setDrawCaption(bool draw);

    // The image drawn in the current state.
    const QPixmap& currentImage() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::vector<QPixmap> images_;
    bool drawCaption_ = false;
};

} // namespace qr::setupgui
