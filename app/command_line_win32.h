#pragma once
#include "app/command_line.h"

// The running process's command line (GetCommandLineA), stepped by the active ANSI code page
// (CharNextA), with its own full path from GetModuleFileNameA.
class Win32CommandLine : public CommandLine {
public:
    const char* text() override;
    std::string ownPath() override;
    std::u16string ownWidePath() override;
    CharStepper stepper() override;
};
