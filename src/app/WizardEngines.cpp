#include "app/WizardEngines.h"

#include "app/RecoveryContext.h"

namespace qr::app {

WizardEngines defaultWizardEngines() {
    WizardEngines e;
    return e;
}

} // namespace qr::app
