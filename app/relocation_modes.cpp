#include "app/relocation_modes.h"

#include "relocation/install.h"
#include "relocation/uninstall.h"

void RelocationModes::relocateInstallation(const ArgumentList& arguments) {
    ModeContext context{arguments, services_, registry_, commandLine_.ownWidePath()};
    ::relocateInstallation(context);
}

void RelocationModes::restoreInstallation(const ArgumentList& arguments) {
    ModeContext context{arguments, services_, registry_, commandLine_.ownWidePath()};
    ::restoreInstallation(context);
}
