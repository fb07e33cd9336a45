#pragma once
// Modal messages and questions to the user. Engines ask through this interface;
// the GUI shows a message box, the CLI prints or answers from flags, tests script it.
#include <string>

namespace qr::platform {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, YesNo, YesNoCancel, OkCancel, RetryCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel, Retry };

inline const std::string kMessageCaption = "Quarrixdale Recovery-Memory Card";

class UserMessages {
public:
    virtual ~UserMessages() = default;
    virtual MessageAnswer ask(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) = 0;

    void error(const std::string& text) {
        ask(text, kMessageCaption, MessageIcon::Error, MessageButtons::Ok);
    }
    void inform(const std::string& text) {
        ask(text, kMessageCaption, MessageIcon::Information, MessageButtons::Ok);
    }
    bool askYesNo(const std::string& text) {
        return ask(text, kMessageCaption, MessageIcon::Question, MessageButtons::YesNo) ==
               MessageAnswer::Yes;
    }
};

} // namespace qr::platform
