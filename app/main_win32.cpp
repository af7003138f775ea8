// The process: builds the real platform, runs the program once, and turns a failure that no
// operation handled into the report box and exit code 1.
#include <windows.h>

#include <exception>

#include "app/command_line_win32.h"
#include "app/program.h"
#include "app/relocation_modes.h"
#include "platform/failure/failure.h"
#include "platform/registry/registry_win32.h"
#include "platform/services/services_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Win32Services services;
    try {
        Win32CommandLine commandLine;
        Win32RegistryApi registry;
        RelocationModes modes(registry, services, commandLine);
        runProgram(commandLine, services, modes);
    } catch (...) {
        reportAndHalt(describeFailure(std::current_exception()), services);
    }
    return 0;
}
