#include "skin/AnimatedPicture.h"

#include "skin/Skin.h"

#include <QMovie>

namespace qr::gui {

AnimatedPicture::AnimatedPicture(QWidget* parent) : QLabel(parent) {}

AnimatedPicture::~AnimatedPicture() {
    stop();
}

void AnimatedPicture::stop() {
    if (movie_)
        movie_->stop();
}

bool AnimatedPicture::load(const char* name) {
    skinImage("icon"); // makes sure the skin's resources are registered
    return loadFile(QStringLiteral(":/images/%1.gif").arg(QLatin1String(name)));
}

bool AnimatedPicture::loadFile(const QString& file) {
    stop();
    setMovie(nullptr);
    delete movie_;
    movie_ = new QMovie(file, "gif", this);
    if (!movie_->isValid() || movie_->frameCount() == 0) {
        delete movie_;
        movie_ = nullptr;
        clear();
        return false;
    }
    movie_->setScaledSize(size());
    setMovie(movie_);
    return true;
}

void AnimatedPicture::draw() {
    if (!movie_)
        return;
    if (movie_->frameCount() > 1)
        movie_->start();
    else
        movie_->jumpToFrame(0);
}

int AnimatedPicture::frameCount() const {
    return movie_ ? movie_->frameCount() : 0;
}

int AnimatedPicture::currentFrame() const {
    return movie_ ? movie_->currentFrameNumber() : -1;
}

bool AnimatedPicture::running() const {
    return movie_ && movie_->state() == QMovie::Running;
}

} // namespace qr::gui
