#include "skin/AnimatedPicture.h"

#include "skin/Skin.h"

#include <QMovie>

namespace qr::gui {

AnimatedPicture::AnimatedPicture(QWidget* parent) : QLabel(parent) {}

bool AnimatedPicture::load(const char* name) {
    skinImage("icon"); // makes sure the skin's resources are registered
    delete movie_;
    movie_ = new QMovie(QStringLiteral(":/images/%1.gif").arg(QLatin1String(name)), {}, this);
    movie_->setScaledSize(size());
    if (!movie_->isValid())
        return false;
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

} // namespace qr::gui
