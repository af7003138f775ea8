#pragma once
// One run of the whole process on the machine, with one call made to fail or the run stopped
// right after it, and the stand-in for the program it waits for.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/mode_run/stand_in.h"
#include "tests/support/memory_file_services.h"
#include "tests/support/memory_registry.h"

namespace mode_run {

enum class Injection { none, failRegistry, killRegistry, failServices, killServices, count };

struct Outcome {
    bool killed = false;
    bool reported = false;  // a failure escaped: the report, and exit code 1 or 1603
    size_t boxes = 0;
    uint32_t exitCode = 0;
    int waits = 0;          // programs started and waited for
    bool timedOut = false;  // and the wait ran past -timeout
    std::string injectedCall;  // the call injected, as the switches name it; empty when none was reached
};

Outcome runOnce(MemoryRegistry& store, MemoryFileServices& files, const std::string& arguments,
                Injection injection = Injection::none, uint64_t call = 0, const StandIn& standIn = StandIn());

}  // namespace mode_run
