#pragma once
// The names a run works on, by the rules the README and the option scan state, read from the
// arguments the fuzzer wrote, never from the code under test.
#include <optional>
#include <string>
#include <vector>

namespace mode_run {

struct RunNames {
    bool uninstallMode = false;
    bool guidFound = false;
    std::string source;
    std::optional<std::string> target;  // none: install mode's own, found on the machine
    bool modify = false;  // the mode was selected by -modify: the run waits for the product's Change
    bool silent = false;  // -silent or -quiet: no box is shown
    bool wait = false;    // -wait or -quiet
};

// Arguments arrive lowercased; isreloc's own switches (-silent, -wait, -quiet, -log..., -timeout...) and
// everything from "--" on are taken off first; the first argument that is -u, -uninstall or
// -modify selects the mode and goes; the first argument holding "-guid" anywhere gives the source
// (less its first 5 characters, in upper case), the first holding "-tguid" the target (less 6).
RunNames runNamesOf(const std::vector<std::string>& arguments);

// Whether a top-level name is one of the run's two names.
bool isRunName(const RunNames& names, const std::string& name);

}  // namespace mode_run
