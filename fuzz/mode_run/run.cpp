#include "fuzz/mode_run/run.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/command_line.h"
#include "app/process.h"
#include "fuzz/mode_run/machine.h"
#include "registry_kill_switch.h"
#include "services_switch.h"

namespace mode_run {

namespace {

void arm(Injection injection, uint64_t call, MemoryRegistry& store, RegistryKillSwitch& registry,
         ServicesSwitch& services) {
    switch (injection) {
    case Injection::failRegistry: store.failCall(store.callCount() + call); break;
    case Injection::killRegistry: registry.killAfter(call); break;
    case Injection::failServices: services.failCall(call); break;
    case Injection::killServices: services.killAfter(call); break;
    case Injection::none:
    case Injection::count: break;
    }
}

// The call injected, as the switches name it; for a reader, also the call's number and kind.
void noteInjectedCall(Outcome& outcome, Injection injection, uint64_t call, const RegistryKillSwitch& registry,
                      const ServicesSwitch& services) {
    const bool registryCall = injection == Injection::failRegistry || injection == Injection::killRegistry;
    if (injection != Injection::none && !registryCall && call <= services.calls().size())
        outcome.injectedCall = services.calls()[call - 1].detail;
    if (injection == Injection::none || !registryCall || call > registry.calls().size()) return;
    outcome.injectedCall = registry.calls()[call - 1].detail;
    if (std::getenv("ISRELOC_MODE_FUZZ_VERBOSE") != nullptr)
        std::fprintf(stderr, "  injected at registry call %llu: %s %s\n", static_cast<unsigned long long>(call),
                     registryCallName(registry.calls()[call - 1].kind), outcome.injectedCall.c_str());
}

}  // namespace

Outcome runOnce(MemoryRegistry& store, MemoryFileServices& files, const std::string& arguments, Injection injection,
                uint64_t call, const StandIn& standIn) {
    RunLife life;
    RegistryKillSwitch registry(store, life);
    StandInServices standInServices(files, store, files, standIn);
    ServicesSwitch services(standInServices, life);
    arm(injection, call, store, registry, services);
    const size_t boxesBefore = files.messages().size();
    FixedCommandLine commandLine("isreloc.exe" + arguments, kOwnPath);
    Outcome outcome;
    // A stop the test makes passes through the program's failure handling: it is no failure of the run.
    const auto noteFailure = [&outcome](std::exception_ptr failure, Services&) {
        try {
            std::rethrow_exception(failure);
        } catch (const KilledRun&) {
            throw;
        } catch (...) {
            outcome.reported = true;
        }
    };
    try {
        outcome.exitCode = runProcess(commandLine, services, registry, noteFailure);
    } catch (const KilledRun&) {
        outcome.killed = true;
    }
    outcome.waits = standInServices.waits;
    outcome.timedOut = standInServices.timedOut;
    store.clearFailures();
    outcome.boxes = files.messages().size() - boxesBefore;
    noteInjectedCall(outcome, injection, call, registry, services);
    return outcome;
}

}  // namespace mode_run
