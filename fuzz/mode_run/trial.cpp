#include "fuzz/mode_run/trial.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace mode_run {

namespace {

// The GUID lengthened, wherever it stands, on the machine and in the line.
void lengthenNames(Trial& trial) {
    const std::string tail = trial.input.longName == 0 ? "" : std::string(151 + trial.input.longName, '7');
    trial.product.guid = lengthened(kGuid, tail);
    for (Seeded& entry : trial.input.machine.entries) entry.name = lengthened(entry.name, tail);
    for (auto& [text, arguments] : trial.input.line.pieces) {
        text = lengthened(text, tail);
        for (std::string& argument : arguments) argument = lengthened(argument, tail);
    }
}

StandIn standInFor(const Trial& trial) {
    const uint8_t choice = trial.input.standInChoice;
    StandIn standIn;
    standIn.starts = (choice & 1) == 0;
    standIn.removesProduct = (choice & 2) != 0 && trial.input.lockedKeys == 0;
    static const uint32_t kExitCodes[] = {0, 3010, 1641, 1603, 1618, 5};
    standIn.exitCode = kExitCodes[((choice >> 2) & 7) % std::size(kExitCodes)];
    standIn.end = static_cast<WaitEnd>((choice >> 5) & 3);
    standIn.name = trial.names.target.value_or(trial.names.source);
    standIn.root = trial.product.root;
    return standIn;
}

void describe(const Trial& trial) {
    if (std::getenv("ISRELOC_MODE_FUZZ_VERBOSE") == nullptr) return;
    const Outcome& outcome = trial.outcome;
    const auto& messages = trial.files.messages();
    std::fprintf(stderr, "run:%s\n  names: %s -> %s\n  %s%s%zu box(es)%s%s\n", trial.run.c_str(),
                 trial.names.source.c_str(), trial.names.target.value_or("(none)").c_str(),
                 outcome.killed ? "stopped, " : "", outcome.reported ? "failure report, " : "", outcome.boxes,
                 messages.empty() ? "" : ", last: ", messages.empty() ? "" : messages.back().text.substr(0, 120).c_str());
    if (!outcome.injectedCall.empty()) std::fprintf(stderr, "  injected: %s\n", outcome.injectedCall.c_str());
    for (const std::string& launched : trial.files.launchedCommands())
        std::fprintf(stderr, "  started: %s\n", launched.c_str());
    for (const Seeded& entry : trial.input.machine.entries)
        std::fprintf(stderr, "  seeded %s: key kind %d, mask %02x, folder kind %d\n", entry.name.c_str(),
                     static_cast<int>(entry.key), entry.mask, static_cast<int>(entry.folder));
}

bool changed(const Trial& trial, const std::string& name) {
    return entryTree(trial.before.registry, name) != entryTree(trial.after.registry, name) ||
           trial.before.folderThere(name) != trial.after.folderThere(name);
}

// A move of the product cut short is finished first, and its other name is then install mode's
// target: the name of such a move the run changed, or, when the run changed only the product's
// own name, one whose key held every value that was under it (a source left over after its copy).
std::optional<std::string> cutShortMoveFinished(const Trial& trial) {
    const std::vector<std::string> moves = cutShortMoveNames(trial.before, trial.names.source);
    for (const std::string& name : moves)
        if (changed(trial, name)) return name;
    if (!changed(trial, trial.names.source) || changed(trial, *trial.names.target)) return std::nullopt;
    const EntryTree left = entryTree(trial.before.registry, trial.names.source);
    for (const std::string& name : moves) {
        const EntryTree whole = entryTree(trial.before.registry, name);
        bool holdsAll = true;
        for (const auto& [path, values] : left)
            for (const auto& [valueName, value] : values)
                holdsAll = holdsAll && whole.count(path) != 0 && whole.at(path).count(valueName) != 0 &&
                           whole.at(path).at(valueName) == value;
        if (holdsAll) return name;
    }
    return std::nullopt;
}

}  // namespace

void setUp(Trial& trial) {
    Machine& machine = trial.input.machine;
    if (trial.input.keysCopied) trial.store.moveKeysByCopying();
    trial.product.root = maintenanceRootOf(machine.programFiles);
    lengthenNames(trial);
    trial.arguments = trial.input.line.text(&trial.written);
    trial.run = " isreloc.exe" + trial.arguments;
    // A clean machine whose relocated entry cannot exist is no clean machine.
    machine.clean = seed(machine, trial.product, trial.input.engineLines, trial.store, trial.files) && machine.clean;
    trial.files.openWindow(77, 1);
    trial.interactive = (trial.input.standInChoice & 0x80) == 0;
    trial.files.scriptInteractiveWindowStation(trial.interactive);
    trial.rootFolded = trial.files.foldedPath(trial.product.root);
    trial.before = {snapshot(trial.store), trial.files.entries(), &trial.files, trial.product.root};

    RunNames& names = trial.names;
    names = runNamesOf(trial.written);
    if (names.guidFound && !names.uninstallMode && !names.target)
        names.target = freeSuffixName(trial.before, names.source);
    const std::optional<std::string> onceBefore = trial.before.productOnce(names);
    trial.productWasWhole = onceBefore && trial.before.entryRuns(*onceBefore);
    if (trial.input.currentDirectory == 1 && names.guidFound)
        trial.files.enterDirectory(trial.product.root + names.source);
    if (trial.input.currentDirectory == 2 && names.target)
        trial.files.enterDirectory(trial.product.root + *names.target);
    machine.clean = !lockKeys(trial.store, trial.input.lockedKeys, trial.product.guid) && machine.clean;
    trial.standIn = standInFor(trial);
}

void runTrial(Trial& trial) {
    trial.outcome =
        runOnce(trial.store, trial.files, trial.arguments, trial.input.injection, trial.input.call, trial.standIn);
    trial.store.grantEverything();
    trial.after = {snapshot(trial.store), trial.files.entries(), &trial.files, trial.product.root};
    // A key that cannot be read may be somebody's: when a look at install mode's own target
    // failed, its search takes the next free name.
    RunNames& names = trial.names;
    const bool ownTarget = names.guidFound && !names.uninstallMode && !runNamesOf(trial.written).target;
    if (ownTarget)
        if (const std::optional<std::string> finished = cutShortMoveFinished(trial)) names.target = finished;
    if (ownTarget && trial.input.injection == Injection::failRegistry) {
        const std::string next = freeSuffixName(trial.before, names.source, 1);
        if (trial.after.keyThere(next) && !trial.before.keyThere(next)) names.target = next;
    }
    trial.productRemoved = trial.outcome.waits > 0 && trial.standIn.starts && trial.standIn.removesProduct;
    describe(trial);
}

}  // namespace mode_run
