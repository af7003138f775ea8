#pragma once
#include "app/command_line.h"

// The running process's command line as the system holds it (GetCommandLineW), with its own full
// path from GetModuleFileNameW.
class Win32CommandLine : public CommandLine {
public:
    const char16_t* text() override;
    std::string narrow(const std::u16string& text) override;
    std::u16string ownWidePath() override;
};
