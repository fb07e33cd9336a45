#pragma once
// The small animation in the window's corner: the frames of a GIF picture drawn in
// turn with their delays, repeated until the control goes away.
#include <QLabel>

class QMovie;

namespace qr::gui {

class AnimatedPicture : public QLabel {
    Q_OBJECT
public:
    explicit AnimatedPicture(QWidget* parent = nullptr);
    // Loads a picture of the skin ("activity" is ":/images/activity.gif"); false when
    // it cannot be decoded.
    bool load(const char* name);
    // Starts the animation (a single-frame picture is drawn once).
    void draw();
    int frameCount() const;

private:
    QMovie* movie_ = nullptr;
};

} // namespace qr::gui
