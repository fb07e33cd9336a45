#include "QtMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace qr::gui {

void runOnGuiThread(QObject* context, const std::function<void()>& fn) {
    if (QThread::currentThread() == context->thread())
        fn();
    else
        QMetaObject::invokeMethod(context, fn, Qt::BlockingQueuedConnection);
}

platform::MessageAnswer QtMessages::ask(const std::string& text, const std::string& caption,
                                        platform::MessageIcon icon,
                                        platform::MessageButtons buttons) {
    platform::MessageAnswer answer = platform::MessageAnswer::Ok;
    runOnGuiThread(this, [&] { answer = show(text, caption, icon, buttons); });
    return answer;
}

platform::MessageAnswer QtMessages::show(const std::string& text, const std::string& caption,
                                         platform::MessageIcon icon,
                                         platform::MessageButtons buttons) {
    using platform::MessageAnswer;
    using platform::MessageButtons;
    QMessageBox box(owner_.data());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case platform::MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case platform::MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case platform::MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case platform::MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case platform::MessageIcon::None:
        break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Retry:
        return MessageAnswer::Retry;
    default:
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

} // namespace qr::gui
