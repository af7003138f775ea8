#include "fuzz/mode_run/oracle.h"

#include <optional>
#include <set>
#include <vector>

#include "fuzz/mode_run/check.h"

namespace mode_run {

using entry_promise::isrelocCommandForm;

namespace {

// The boxes that refuse the command line: the usage box, an option missing, a GUID, window
// handle or time-out in the wrong form. Every other box tells of a failure.
bool refusesCommandLine(const RecordedMessage& box) {
    return box.caption == "Commandline" || box.caption == "Insufficient Commandline" ||
           box.caption == "Incorrect format";
}

// What the run's exit code tells when it must be read (README, exit codes), from what it did.
uint32_t toldByExitCode(const Trial& trial, bool boxesSeen) {
    const Outcome& outcome = trial.outcome;
    const StandIn& standIn = trial.standIn;
    if (outcome.reported) return 1603;
    if (outcome.waits > 0)
        return !standIn.starts ? 1603u : outcome.timedOut ? 1460u : standIn.end == WaitEnd::codeUnread ? 1603u
                                                                                                   : standIn.exitCode;
    if (boxesSeen && outcome.boxes == 1) return refusesCommandLine(trial.files.messages().back()) ? 1639 : 1603;
    return 0;
}

// A run that ended 0 with no box and no report did its work: install mode relocated the product,
// or found none installed under its name (no setup.exe in its folder); uninstall mode started a
// command. A failure is never told as a success.
bool workShows(const Trial& trial) {
    const RunNames& names = trial.names;
    if (!names.guidFound) return false;
    if (names.uninstallMode) return !trial.files.launchedCommands().empty();
    if (!trial.before.productAt(names.source)) return true;
    return names.target && trial.after.keyThere(*names.target) && trial.after.productAt(*names.target);
}

}  // namespace

void checkOutcome(const Trial& trial) {
    const Outcome& outcome = trial.outcome;
    const RunNames& names = trial.names;
    // A waited program that cannot start adds its own box.
    const size_t startBoxes = outcome.waits > 0 && !trial.standIn.starts ? 1 : 0;
    check(outcome.boxes + (outcome.reported ? 1 : 0) <= 1 + startBoxes, "more than one box shown by" + trial.run);
    if (outcome.killed) return;
    const uint32_t code = outcome.exitCode;
    const std::string ended = "exit code " + std::to_string(code) + " from" + trial.run;
    const bool boxesShown = trial.interactive && !names.silent;
    // A services call made to fail may be a box that was never recorded.
    const bool boxesSeen = boxesShown && trial.input.injection != Injection::failServices;
    if (boxesShown && !names.wait && !names.modify) {
        check(code == (outcome.reported ? 1u : 0u), "an interactive run ended with " + std::to_string(code));
    } else if (outcome.waits > 0) {
        // A put-back that failed after the wait may tell 1603 instead.
        check(code == toldByExitCode(trial, boxesSeen) || code == 1603, ended);
    } else if (boxesSeen || outcome.reported) {
        check(code == toldByExitCode(trial, boxesSeen), ended);
    } else {
        check(code == 0 || code == 1603 || code == 1639, ended);
        check(code != 1639 || (trial.before.registry.keys == trial.after.registry.keys &&
                               trial.before.files == trial.after.files),
              "a command line refused with 1639 changed the machine in" + trial.run);
    }
    const bool quietSuccess = code == 0 && !outcome.reported && outcome.waits == 0 && (!boxesSeen || outcome.boxes == 0);
    if (quietSuccess && trial.input.injection != Injection::failServices)
        check(workShows(trial), "a run ended 0, nothing shown, its work not done:" + trial.run);
}

void checkNothingLost(const Trial& trial) {
    const RunNames& names = trial.names;
    const std::string& run = trial.run;
    // A stopped run's handles are the system's to close, as for any process that ends.
    check(trial.outcome.killed || trial.store.openHandleCount() == 0, "a key handle was left open by" + run);
    expectOnlyRunNamesChanged(trial.before.registry, trial.after.registry, trial.before.files, trial.after.files,
                              trial.rootFolded, names, run);
    for (const std::vector<std::string>* started : {&trial.files.launchedCommands(), &trial.files.waitedCommands()})
        for (const std::string& command : *started)
            check(!isIsrelocCommandOfRun({kRegSz, textBytes(command)}, names),
                  "isreloc's own command " + command + " was started by" + run);
    for (const Value& saved : isrelocCommandsSaved(trial.after.registry, names))
        check(isrelocCommandsSaved(trial.before.registry, names).count(saved) != 0,
              "isreloc's own command " + entry_promise::commandText(saved.data) + " was kept as the product's by" + run);
    if (!names.guidFound || trial.productRemoved) return;
    expectKeyKept(trial.before.registry, trial.after.registry, names.source, names, run);
    if (names.target) expectKeyKept(trial.before.registry, trial.after.registry, *names.target, names, run);
    check(productFolders(trial.before.files, trial.rootFolded, names) ==
              productFolders(trial.after.files, trial.rootFolded, names),
          "a product folder vanished, split or changed in" + run);
}

void checkProductWhole(const Trial& trial) {
    const RunNames& names = trial.names;
    const Outcome& outcome = trial.outcome;
    if (!trial.productWasWhole || trial.productRemoved) return;
    if (!outcome.killed) {
        const std::optional<std::string> onceAfter = trial.after.productOnce(names);
        check(onceAfter.has_value(), "the product is not there once, key and folder under one name, after" + trial.run);
        // A restore that failed after its moves gives the main command back last: isreloc's, it
        // finishes the restore.
        check(trial.after.entryRuns(*onceAfter, outcome.reported && names.uninstallMode),
              "a command of the product's entry starts what is not there after" + trial.run);
        return;
    }
    for (const std::string* name : {&names.source, &*names.target})
        check(trial.after.entryRuns(*name, true),
              "after a stop, the entry under " + *name + " reaches no product in" + trial.run);
}

namespace {

// The product where its own uninstaller expects it: its key under its GUID as installed (a saved
// value isreloc owns may be left), its folder, nothing under the relocated name.
bool backWhole(Trial& trial) {
    const Product& product = trial.product;
    KeyTree installed = keyTreeFor({product.guid, KeyKind::product}, product);
    if (trial.input.machine.waited)
        installed[""]["QuietUninstallString"] = {kRegSz, textBytes(product.quietCommand())};
    const std::string relocatedName = product.guid + "_0";
    const MachineView now{snapshot(trial.store), trial.files.entries(), &trial.files, product.root};
    EntryTree key = entryTree(now.registry, product.guid);
    for (const auto& [live, saved] : kCommandPairs)
        if (key.count(u"") != 0) key[u""].erase(foldedName(saved));
    return key == foldedTree(installed) && !now.keyThere(relocatedName) && now.productAt(product.guid) &&
           !now.folderThere(relocatedName);
}

// A clean machine and nothing injected: the run does its work; a product whose relocated name
// would be longer than any key's or folder's is refused with a box, nothing changed.
void checkWorkDone(Trial& trial) {
    const Product& product = trial.product;
    const MachineView& before = trial.before;
    const MachineView& after = trial.after;
    const std::string relocatedName = product.guid + "_0";
    if (relocatedName.size() > 255) {
        check((trial.outcome.boxes == 1 || !trial.interactive) && !trial.outcome.reported &&
                  before.registry.keys == after.registry.keys && before.files == after.files,
              "a product whose relocated name cannot be a key's is not refused, nothing changed, by" + trial.run);
        return;
    }
    if (!trial.names.uninstallMode)
        check(entryTree(after.registry, relocatedName) ==
                      foldedTree(keyTreeFor({relocatedName, KeyKind::relocated}, product)) &&
                  !after.keyThere(product.guid) && after.productAt(relocatedName) && !after.folderThere(product.guid),
              "a cleanly installed product is not relocated by" + trial.run);
    else
        check(backWhole(trial) && trial.files.launchedCommands() == std::vector<std::string>{product.command()},
              "a cleanly relocated product is not back, its uninstaller started, after" + trial.run);
}

// A clean relocated product whose uninstaller or Change was waited for: removed, it is gone
// under both names. Left installed, it goes back under its relocated name, byte for byte, only
// on evidence that its removal did not happen and will not: the program ran, every process of
// it was waited for within the time, and its exit code was read and is not 3010 or 1641 (the
// removal succeeded and finishes at the restart). Otherwise it stays under its GUID, whole,
// its own commands in place, where its own entry works.
void checkWaitedRun(Trial& trial) {
    const std::string& guid = trial.product.guid;
    const std::string relocatedName = guid + "_0";
    const MachineView& after = trial.after;
    const StandIn& standIn = trial.standIn;
    const Outcome& outcome = trial.outcome;
    const bool gone = entryTree(after.registry, guid).empty() && !after.keyThere(relocatedName) &&
                      !after.folderThere(guid) && !after.folderThere(relocatedName);
    const bool wholeEndSeen =
        standIn.starts && !outcome.timedOut && standIn.end != WaitEnd::alone && standIn.end != WaitEnd::codeUnread;
    const bool finishesAtRestart = standIn.exitCode == 3010 || standIn.exitCode == 1641;
    if (trial.productRemoved) {
        check(gone, "a removed product left something behind after" + trial.run);
    } else if (!wholeEndSeen || finishesAtRestart) {
        check(backWhole(trial), "a product whose removal may still go on is not left whole under its GUID by" + trial.run);
    } else {
        check(entryTree(after.registry, relocatedName) == entryTree(trial.before.registry, relocatedName) &&
                  entryTree(after.registry, guid).empty(),
              "a product left installed is not back under its relocated name after" + trial.run);
        check(after.productAt(relocatedName) && !after.folderThere(guid),
              "a product left installed does not have its folder back after" + trial.run);
    }
    const uint32_t told = !standIn.starts                    ? 1603u
                          : outcome.timedOut                   ? 1460u
                          : standIn.end == WaitEnd::codeUnread ? 1603u
                                                               : standIn.exitCode;
    check(outcome.exitCode == told,
          "exit code " + std::to_string(outcome.exitCode) + " does not tell what the waited program did in" + trial.run);
}

// On a clean machine, which holds nothing of the product's but under its own names: one key of
// it, and its folder under the same name, beside the unrelated entry and folder.
bool productListedOnce(const Trial& trial) {
    const MachineView& now = trial.after;
    std::set<std::u16string> keys;
    for (const auto& [path, values] : now.registry.keys)
        if (const std::optional<std::u16string> entry = entryOf(path); entry && *entry != foldedName(u"Unrelated"))
            keys.insert(*entry);
    std::set<std::string> folders;
    for (const auto& [path, entry] : now.files)
        if (path.compare(0, trial.rootFolded.size() + 1, trial.rootFolded + "\\") == 0) {
            const std::string rest = path.substr(trial.rootFolded.size() + 1);
            folders.insert(rest.substr(0, rest.find('\\')));
        }
    folders.erase(trial.files.foldedPath(trial.product.root + "Unrelated").substr(trial.rootFolded.size() + 1));
    return keys.size() == 1 && folders.size() == 1 && now.productAt(narrow(*keys.begin()));
}

// isreloc's command the entry holds, the run's own target first: install mode may have taken
// {GUID}_1 when its look at {GUID}_0 failed.
std::optional<entry_promise::IsrelocCommandForm> commandToRecoverWith(const Trial& trial) {
    const std::string relocatedName = trial.product.guid + "_0";
    for (const std::string& name : {trial.names.target.value_or(relocatedName), relocatedName,
                                    trial.product.guid + "_1", trial.product.guid}) {
        const EntryTree entry = entryTree(trial.after.registry, name);
        if (entry.count(u"") == 0) continue;
        const auto value = entry.at(u"").find(foldedName(u"UninstallString"));
        if (value != entry.at(u"").end() && isIsrelocCommand(value->second))
            return isrelocCommandForm(entry_promise::commandText(value->second.data));
    }
    return std::nullopt;
}

// After an injected failure or stop, and install mode run again when the input says so (a stopped
// run may be followed by any run): the command the entry holds, run as Windows runs it from a new
// process, brings the product back whole under its own name by the time the product's own
// uninstaller starts.
void checkRecovery(Trial& trial) {
    if (trial.input.installAgain) {
        trial.files.enterDirectory("C:\\");
        runOnce(trial.store, trial.files, " -hwnd0 -guid\"" + trial.product.guid + "\" -silent");
        trial.after = {snapshot(trial.store), trial.files.entries(), &trial.files, trial.product.root};
        check(productListedOnce(trial),
              "the product is not there once, key and folder under one name, after install mode ran again after" +
                  trial.run);
    }
    const std::optional<entry_promise::IsrelocCommandForm> command = commandToRecoverWith(trial);
    bool back = command ? false : backWhole(trial);
    if (command) {
        trial.files.enterDirectory("C:\\");
        StandIn uninstaller;
        uninstaller.atStart = [&] { back = backWhole(trial); };
        if (runOnce(trial.store, trial.files, " " + command->arguments, Injection::none, 0, uninstaller).waits == 0)
            back = backWhole(trial);
    }
    check(back, "the product is not back whole after" + trial.run + " and the command its entry holds" +
                    (command ? ": " + command->arguments : std::string(" (none of isreloc's)")));
}

}  // namespace

void checkCleanMachine(Trial& trial) {
    const Machine& machine = trial.input.machine;
    if (!machine.clean) return;
    const bool injected = trial.input.injection != Injection::none;
    if (!machine.waited && !injected) checkWorkDone(trial);
    if (machine.waited && !injected) checkWaitedRun(trial);
    if (injected && !trial.productRemoved) checkRecovery(trial);
}

}  // namespace mode_run
