#pragma once
// The program's one run: the usage box when there is nothing to do, the ArgumentList, the mode.
#include "app/command_line.h"
#include "platform/services/services.h"
#include "relocation/mode_context.h"

// The two modes the program can hand its arguments to.
class ModeRunner {
public:
    virtual ~ModeRunner() = default;
    virtual void relocateInstallation(const ArgumentList& arguments) = 0;
    virtual void restoreInstallation(const ArgumentList& arguments) = 0;
};

extern const char* const kUsageText;

// Builds the lowercased ArgumentList from the arguments the older options are looked for in
// (none after "--", no unattended switch), removes the first exact "-u" or "-uninstall" and runs
// uninstall mode when it found one, install mode otherwise. The usage box is for a command line
// without any argument at all. Failures that escape a mode are left to the caller.
void runProgram(CommandLine& commandLine, Services& services, ModeRunner& modes);
