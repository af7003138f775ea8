#pragma once
// One run of the process around the program: the unattended switches read first, the log they
// ask for, the services that decide whether boxes are shown, the registry calls logged, the
// program itself, and the exit code that tells how it went.
#include <cstdint>
#include <exception>
#include <functional>

#include "app/command_line.h"
#include "platform/registry/registry_api.h"
#include "platform/services/services.h"

// Reports a failure that nothing handled, through the run's services (so that it is shown or
// logged as the run's boxes are). A test's reporter may keep what it saw with it.
using FailureReporter = std::function<void(std::exception_ptr failure, Services& services)>;

// The exit code the process is to end with. A failure that escapes the program is reported with
// reportFailure; only a failure while the run is being set up escapes from here.
uint32_t runProcess(CommandLine& commandLine, Services& system, RegistryApi& registry, FailureReporter reportFailure);
