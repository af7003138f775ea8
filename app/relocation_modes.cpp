#include "app/relocation_modes.h"

#include "relocation/install.h"
#include "relocation/uninstall.h"

void RelocationModes::run(void (*mode)(ModeContext&), const ArgumentList& arguments,
                          const std::vector<std::u16string>& written) {
    ModeContext context{arguments, services_, registry_, commandLine_.ownWidePath()};
    context.start = start_;
    context.writtenArguments = written;
    // Noted even when the mode raises: a box shown before the failure still tells.
    struct Keep {
        RunOutcome& into;
        const RunOutcome& from;
        ~Keep() { into.absorb(from); }
    } keep{outcome_, context.outcome};
    mode(context);
}

void RelocationModes::relocateInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) {
    run(::relocateInstallation, arguments, written);
}

void RelocationModes::restoreInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) {
    run(::restoreInstallation, arguments, written);
}

void RelocationModes::modifyInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) {
    run(::modifyInstallation, arguments, written);
}
