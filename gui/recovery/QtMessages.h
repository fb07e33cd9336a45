#pragma once
// Message boxes for the engines' messages and questions. A call from a worker thread
// shows the box on the GUI thread and blocks only that worker until it is answered.
#include "platform/UserMessages.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace qr::gui {

class QtMessages final : public QObject, public platform::UserMessages {
    Q_OBJECT
public:
    explicit QtMessages(QObject* parent = nullptr) : QObject(parent) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    platform::MessageAnswer ask(const std::string& text, const std::string& caption,
                                platform::MessageIcon icon,
                                platform::MessageButtons buttons) override;

private:
    platform::MessageAnswer show(const std::string& text, const std::string& caption,
                                 platform::MessageIcon icon, platform::MessageButtons buttons);
    QPointer<QWidget> owner_;
};

// Runs `fn` on the GUI thread and waits for it; runs it at once on the GUI thread.
void runOnGuiThread(QObject* context, const std::function<void()>& fn);

} // namespace qr::gui
