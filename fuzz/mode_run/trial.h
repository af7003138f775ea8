#pragma once
// One trial: the decoded input made into a machine and a command line, the run made on it, and
// the machine before and after it, which the oracle checks.
#include <string>
#include <utility>
#include <vector>

#include "fuzz/mode_run/input.h"
#include "fuzz/mode_run/machine_view.h"
#include "fuzz/mode_run/run.h"
#include "fuzz/mode_run/run_names.h"

namespace mode_run {

struct Trial {
    explicit Trial(FuzzCase decoded) : input(std::move(decoded)) {}

    FuzzCase input;
    Product product;
    std::vector<std::string> written;  // the arguments the program's tokenizer makes of the line
    std::string arguments;             // the line after the program's name
    std::string run;                   // the whole line, for the messages
    MemoryRegistry store;
    MemoryFileServices files;
    bool interactive = true;
    std::string rootFolded;
    MachineView before;
    RunNames names;
    bool productWasWhole = false;  // there once before the run, its entry running
    StandIn standIn;
    Outcome outcome;
    MachineView after;
    bool productRemoved = false;  // by the stand-in: the uninstaller's doing, not isreloc's
};

// Seeds the machine, looks at it, and works out the run's names and the stand-in.
void setUp(Trial& trial);
// Runs the process once on the machine and looks at it again.
void runTrial(Trial& trial);

}  // namespace mode_run
