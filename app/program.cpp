#include "app/program.h"

#include <memory>
#include <utility>
#include <vector>

#include "platform/text/text.h"

const char* const kUsageText =
    "Commandline parameters:\r\n"
    "-hwnd\"<value>\" - pass the parent HWND parameter\r\n"
    "-guid\"<value>\" - pass the source GUID of the installation\r\n"
    "-tguid\"<value>\" - pass the target GUID of the installation\r\n"
    "-u[ninstall] - launch this executable in uninstallation mode";

namespace {

// The command line is tokenized once into the list, so creating and filling it are one step;
// whatever goes wrong there is the one failure this level reports itself.
std::unique_ptr<ArgumentList> createArgumentList(std::vector<std::string> arguments) {
    for (std::string& argument : arguments) lowerAsciiInPlace(argument);
    return std::make_unique<ArgumentList>(std::move(arguments));
}

}  // namespace

void runProgram(std::optional<CommandLineParts> parts, Services& services, ModeRunner& modes, RunOutcome& outcome) {
    const auto reportUnreadable = [&] {
        outcome.noteFailure();
        services.showMessage("Unable to retrieve commandline parameters", "Critical Error", kTaskModalError);
    };
    if (!parts) {
        reportUnreadable();
        return;
    }
    std::unique_ptr<ArgumentList> arguments;
    std::vector<std::u16string> written;
    try {
        if (parts->argumentCount > 0) arguments = createArgumentList(std::move(parts->options));
        written = std::move(parts->writtenOptions);
    } catch (...) {
        reportUnreadable();
        return;
    }
    if (!arguments) {
        outcome.noteRefusal();
        services.showMessage(kUsageText, "Commandline", kTaskModalInformation);
        return;
    }

    const ModeSwitch selected = findModeSwitch(arguments->entries());
    if (selected.index >= 0) {
        arguments->removeAt(selected.index);
        written.erase(written.begin() + selected.index);
    }
    switch (selected.mode) {
    case ProgramMode::install: modes.relocateInstallation(*arguments, written); break;
    case ProgramMode::uninstall: modes.restoreInstallation(*arguments, written); break;
    case ProgramMode::modify: modes.modifyInstallation(*arguments, written); break;
    }
}
