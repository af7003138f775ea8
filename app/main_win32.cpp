// The process: builds the real platform and runs the program once. A failure that no operation
// handled is reported inside the run, where its box goes the way the run's boxes go; only one
// while the run is being set up is reported here, with the plain report box and exit code 1.
#include <windows.h>

#include <exception>

#include "app/command_line_win32.h"
#include "app/process.h"
#include "platform/failure/failure.h"
#include "platform/registry/registry_win32.h"
#include "platform/services/services_win32.h"

namespace {

void reportToTheRun(std::exception_ptr failure, Services& services) {
    reportFailure(describeFailure(failure), services);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Win32Services services;
    try {
        Win32CommandLine commandLine;
        Win32RegistryApi registry;
        return static_cast<int>(runProcess(commandLine, services, registry, reportToTheRun));
    } catch (...) {
        reportAndHalt(describeFailure(std::current_exception()), services);
    }
}
