#include "app/relocation_modes.h"

#include "relocation/install.h"
#include "relocation/uninstall.h"

ModeContext RelocationModes::contextFor(const ArgumentList& arguments) {
    ModeContext context{arguments, services_, registry_, commandLine_.ownWidePath()};
    context.start = start_;
    return context;
}

void RelocationModes::relocateInstallation(const ArgumentList& arguments) {
    ModeContext context = contextFor(arguments);
    ::relocateInstallation(context);
}

void RelocationModes::restoreInstallation(const ArgumentList& arguments) {
    ModeContext context = contextFor(arguments);
    ::restoreInstallation(context);
}

void RelocationModes::modifyInstallation(const ArgumentList& arguments) {
    ModeContext context = contextFor(arguments);
    ::modifyInstallation(context);
}
