#pragma once
// The small animation in the window's corner: the frames of a GIF picture drawn in
// turn with their delays, repeated until the control goes away. A picture of one
// frame is drawn once; a picture that cannot be decoded leaves the control empty.
#include <QLabel>

class QMovie;

namespace qr::gui {

class AnimatedPicture : public QLabel {
    Q_OBJECT
public:
    explicit AnimatedPicture(QWidget* parent = nullptr);
    ~AnimatedPicture() override;
    // Loads a picture of the skin ("activity" is ":/images/activity.gif"); false when
    // it cannot be decoded.
    bool load(const char* name);
    // The same from a file.
    bool loadFile(const QString& file);
    // Starts the animation when there is more than one frame; otherwise draws the one.
    void draw();
    int frameCount() const;
    int currentFrame() const;
    bool running() const;

private:
    void stop();

    QMovie* movie_ = nullptr;
};

} // namespace qr::gui
