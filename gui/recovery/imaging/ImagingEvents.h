#pragma once
// What the copy's worker thread posts to the imaging window: the figures and the map's
// picture as the copy goes, then how it ended.
#include "app/DiskImaging.h"

#include <QEvent>

namespace qr::gui {

class ImagingProgressEvent final : public QEvent {
public:
    static Type kind() {
        static const Type registered = static_cast<Type>(QEvent::registerEventType());
        return registered;
    }
    explicit ImagingProgressEvent(app::ImagingProgress progress)
        : QEvent(kind()), progress(std::move(progress)) {}
    const app::ImagingProgress progress;
};

class ImagingEndEvent final : public QEvent {
public:
    static Type kind() {
        static const Type registered = static_cast<Type>(QEvent::registerEventType());
        return registered;
    }
    explicit ImagingEndEvent(rescue::RescueEnd end) : QEvent(kind()), end(end) {}
    const rescue::RescueEnd end;
};

} // namespace qr::gui
