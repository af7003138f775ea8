// Whole runs of the program on a machine and a command line both built from the fuzz input: the
// in-memory registry, files in memory under Windows' own path rules, and runProcess exactly as
// the process runs it (the unattended switches, the log, the exit code), with a stand-in for the
// product's uninstaller or Change that ends with a chosen code and removes the product or leaves
// it, optionally with one registry or file call made to fail, or the run stopped right after it.
// Machines may also lock keys, start the run inside the product's folder, name the product with
// up to 255 characters, and hold an engine's line in UninstallString. The oracle names no function
// of the code under test: the run's names come from the command line the fuzzer wrote, by the
// README's rules. After every run:
//  - nothing outside the product's key and folder under the run's two names changed (install
//    mode's own target: the first {GUID}_n with neither a folder nor a key);
//  - every value a key under those names held is still under one of them (only a partial copy,
//    or isreloc's own data with a command the product holds too, may go); folders move whole;
//  - a product there once, its entry running, is there once after, key and folder under one name,
//    its entry's commands starting what is there (after a stop: reaching it by one of its names);
//  - isreloc's own command is never started as the product's, nor kept as one;
//  - the boxes and exit codes of the README;
//  - on a clean machine: a run with nothing injected does its work (a waited uninstall or Change
//    that left the product puts it back byte for byte); after an injected failure or stop, the
//    command the entry holds, run as Windows would, brings the product back whole.
// The fuzzer's parts, by job, are under mode_run/: the input decoded (input), the machine model
// (machine), the stand-in programs and one run (stand_in, run), the names and views the checks use
// (run_names, machine_view), the oracle (oracle, nothing_lost) and the seeds (seeds).
#include <cstddef>
#include <cstdint>

#include "fuzz/mode_run/oracle.h"
#include "fuzz/mode_run/trial.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mode_run;
    Trial trial(decodeCase(data, size));
    setUp(trial);
    runTrial(trial);
    checkOutcome(trial);
    checkNothingLost(trial);
    checkProductWhole(trial);
    checkCleanMachine(trial);
    return 0;
}
