#pragma once
// A push button drawn from up to three images of one size (normal, pressed, disabled)
// with an optional caption over them and a tooltip. Without a usable normal image it
// is drawn as a plain push button with its caption.
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPushButton>
#include <optional>

namespace qr::gui {

class ImageButton : public QPushButton {
    Q_OBJECT
public:
    explicit ImageButton(const QString& caption, QWidget* parent = nullptr);

    // Pressed and disabled may be null pixmaps; images of another size than the normal
    // one are left out. The button takes the size of the images.
    void setImages(const QPixmap& normal, const QPixmap& pressed = {},
                   const QPixmap& disabled = {});
    // The same from files or resources; a missing or unreadable file counts as no image.
    void setImages(const QString& normal, const QString& pressed = {},
                   const QString& disabled = {});
    int imageCount() const { return imageCount_; }
    void setTooltipText(const QString& text, bool active);
    // Caption colours (both white at first), position (top-left of the text; none
    // centres it) and font (none: the button's own).
    void setCaptionColours(const QColor& normal, const QColor& disabled);
    void setCaptionPosition(std::optional<QPoint> position);
    void setCaptionFont(std::optional<QFont> font);
    // The image shown in the current state (null when the plain look is drawn).
    const QPixmap& currentImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPixmap images_[3];
    int imageCount_ = 0;
    QColor captionColour_ = Qt::white;
    QColor disabledCaptionColour_ = Qt::white;
    std::optional<QPoint> captionPosition_;
    std::optional<QFont> captionFont_;
};

} // namespace qr::gui
