#include "transfer/Wizardstate.h"

TWizardState& WizardState() {
    static TWizardState state;
    return state;
}
