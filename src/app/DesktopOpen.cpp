#include "app/DesktopOpen.h"

#include "app/RecoveryContext.h"

namespace qr::app {

std::string NoProgramMessage(const std::string& target) {
    return "No program on this computer opens " + target +
           ". Install a web browser or a viewer for it, or open it by hand.";
}

bool OpenOnDesktop(RecoveryContext& context, const std::string& target) {
    if (context.shell().open(target))
        return true;
    if (context.messages)
        context.messages->error(NoProgramMessage(target));
    return false;
}

} // namespace qr::app
