#pragma once
// A push button drawn from up to three images (normal, pressed, disabled) with an
// optional caption over them and a tooltip.
#include <QPixmap>
#include <QPushButton>

namespace qr::gui {

class ImageButton : public QPushButton {
    Q_OBJECT
public:
    explicit ImageButton(const QString& caption, QWidget* parent = nullptr);

    // Pressed and disabled may be null pixmaps.
    void setImages(const QPixmap& normal, const QPixmap& pressed = {},
                   const QPixmap& disabled = {});
    void setTooltipText(const QString& text, bool active);
    // The image shown in the current state.
    const QPixmap& currentImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap images_[3];
    int imageCount_ = 0;
};

} // namespace qr::gui
