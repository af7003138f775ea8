#pragma once
// The program's one run: the usage box when there is nothing to do, the ArgumentList, the mode.
#include <optional>

#include "platform/services/services.h"
#include "relocation/mode_context.h"
#include "relocation/unattended_switches.h"

// The modes the program can hand its arguments to: the lowercased list the older options are
// looked for in, and each of its entries as written (UTF-16, own letter case).
class ModeRunner {
public:
    virtual ~ModeRunner() = default;
    virtual void relocateInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) = 0;
    virtual void restoreInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) = 0;
    virtual void modifyInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) = 0;
};

extern const char* const kUsageText;

// Builds the lowercased ArgumentList from the arguments the older options are looked for in
// (none after "--", no unattended switch), removes the first exact "-u", "-uninstall" or "-modify"
// and runs the mode it selects, install mode when there is none. The usage box is for a command line
// without any argument at all. Its own boxes are noted in the outcome (the usage box refuses the
// command line); failures that escape a mode are left to the caller. The parts are the command
// line as the process split it, once; nothing when it could not be split.
void runProgram(std::optional<CommandLineParts> parts, Services& services, ModeRunner& modes, RunOutcome& outcome);
