#pragma once
// The failure-injection table of one mode: a clean run counts the calls, then every registry
// call and every services call is made to fail once and killed after once, each on a fresh
// machine. Each row is checked against the promise, not the code: nothing but the product's key
// and folder under the run's two names changed; after a clean run or one failing call the
// product is there once, key and folder under the same name; every command its entries hold
// starts what is there; the run ended in a way the user can see; and running the command the
// entry holds, as Windows would, brings the product back to where its own uninstaller runs.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "injection_checks.h"

// A box a mode may end with; a text that names a path is given by its opening.
struct ModeBox {
    std::string text;
    std::string caption;
};

enum class ModeGoal { relocate, restore };

struct ModeUnderTest {
    const char* name;
    ModeGoal goal;
    void (*mode)(ModeContext&);
    std::string arguments;
    std::string sourceName;  // where the product is when the mode starts
    std::string targetName;  // where the mode moves it
    void (*prepare)(ModeMachine&);
    std::vector<ModeBox> boxes;
    // Where install mode's own search goes on to when it cannot read the key under targetName: a
    // key it cannot read may be somebody's, so the name counts as taken. Empty for a given target.
    std::string nextTargetName = {};
    // The registry renames no key (as under Wine, or where Windows refuses): every key move copies,
    // and the calls that fail or stop a run land inside the copy.
    bool keysCopied = false;
};

struct RowChecks {
    bool outside = false;   // everything but the product's key and folder under the two names as it was
    bool once = false;      // key (its command kept) and folder whole under one name, nothing under the other
    bool runs = false;      // every command the product's entries hold starts what is there
    bool outcome = false;   // a box, a failure report, the work done, or the kill
    bool recovery = false;  // the entry's own command brings the product back (or nothing needs to)
    bool onceAsked = true;  // not of a run stopped dead between its two moves
};

struct InjectionRow {
    uint64_t number = 0;  // the call's number in the clean run; 0 for the clean run itself
    std::string seam;     // "registry", "services" or "-"
    std::string call;
    std::string injection;  // "fail", "kill" or "none"
    std::string outcome;
    std::string recovery;
    bool sameCallHit = true;  // the run made the clean run's call at that number
    RowChecks checks;
};

struct InjectionTable {
    uint64_t registryCalls = 0;
    uint64_t serviceCalls = 0;
    std::vector<InjectionRow> rows;
};

namespace injection_detail {

enum class Seam { none, registry, services };
enum class Injection { none, fail, kill };

// What the clean run did, and what the product is.
struct CleanRun {
    std::vector<RegistryKillSwitch::Call> registryCalls;
    std::vector<ServicesSwitch::Call> serviceCalls;
    KeySnapshot installedKey;   // as the installer left it
    KeySnapshot keyWithoutCommands;  // the same without "UninstallString" and "szUninstallString"
};

// Long names shortened for the table.
inline std::string shortened(std::string text) {
    const auto replaceAll = [&text](const std::string& from, const std::string& to, bool anyCase) {
        for (size_t at = 0;;) {
            at = anyCase ? lowerAscii(text).find(lowerAscii(from), at) : text.find(from, at);
            if (at == std::string::npos) return;
            text.replace(at, from.size(), to);
            at += to.size();
        }
    };
    replaceAll("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "Uninstall", true);
    replaceAll("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CurrentVersion", true);
    replaceAll(kMaintenanceRoot, "<root>\\", true);
    replaceAll(kProductGuid, "{GUID}", true);
    return text;
}

inline std::string callName(const RegistryKillSwitch::Call& call) {
    return std::string(registryCallName(call.kind)) + " " + shortened(call.detail);
}
inline std::string callName(const ServicesSwitch::Call& call) {
    return std::string(serviceCallName(call.kind)) + " " + shortened(call.detail);
}

inline bool holdsProductCommand(InjectionMachine& machine, const KeySnapshot& key) {
    const ValueSnapshot wanted{kRegSz, machine.textBytes(kProductCommand)};
    for (const char* name : {"UninstallString", "szUninstallString"}) {
        const ValueSnapshot* value = machine.value(key, name);
        if (value != nullptr && *value == wanted) return true;
    }
    return false;
}

// Whether the folder of a name below the maintenance root holds the product's setup.exe.
inline bool productAt(InjectionMachine& machine, const std::string& name) {
    const std::optional<std::string> folder = machine.productDirectory(name);
    return folder && machine.fileExists(*folder + "\\setup.exe");
}

// Every command the entry under the name holds starts what is there (nothing to check without one).
inline bool entryRuns(InjectionMachine& machine, const std::string& name, bool partWay) {
    const KeySnapshot key = machine.productKey(name);
    for (const char* valueName : entry_promise::kCommandValues) {
        const ValueSnapshot* command = machine.value(key, valueName);
        if (command == nullptr || (command->type != kRegSz && command->type != kRegExpandSz)) continue;
        const auto here = [&machine](const std::string& folder) { return productAt(machine, folder); };
        if (!entry_promise::commandRuns(entry_promise::commandText(command->data), name, kMaintenanceRoot, here,
                                        partWay))
            return false;
    }
    return true;
}

// The product there once: key and folder, whole, under one of the two names, the product's command
// kept in the key, and neither a key nor a folder under the other name.
inline bool wholeOnce(InjectionMachine& machine, const ModeUnderTest& mode, const CleanRun& clean) {
    for (const auto& [here, other] : {std::make_pair(mode.sourceName, mode.targetName),
                                      std::make_pair(mode.targetName, mode.sourceName)}) {
        const KeySnapshot key = machine.productKey(here);
        if (holdsAllOf(key, clean.keyWithoutCommands) && holdsProductCommand(machine, key) &&
            machine.productDirectoryComplete(here) && !machine.productKey(other).exists &&
            !machine.productDirectory(other))
            return true;
    }
    return false;
}

// The product under its GUID: the key with the product's own command and everything else the
// installer wrote, the directory with its files, nothing left under the relocated name.
inline bool readyForItsOwnUninstaller(InjectionMachine& machine, const CleanRun& clean) {
    return holdsAllOf(machine.productKey(kProductGuid), clean.installedKey) &&
           machine.productDirectoryComplete(kProductGuid) &&
           !machine.productDirectory(std::string(kProductGuid) + "_0");
}

// The mode's whole work: install mode leaves the product relocated with isreloc's command in
// "UninstallString" and the product's in "szUninstallString"; uninstall mode leaves it back under
// its GUID and has started the product's own command.
inline bool workDone(InjectionMachine& machine, const ModeUnderTest& mode, const CleanRun& clean) {
    const KeySnapshot target = machine.productKey(mode.targetName);
    const bool moved = holdsAllOf(target, clean.keyWithoutCommands) && !machine.productKey(mode.sourceName).exists &&
                       machine.productDirectoryComplete(mode.targetName) &&
                       !machine.productDirectory(mode.sourceName);
    if (mode.goal == ModeGoal::restore)
        return moved && readyForItsOwnUninstaller(machine, clean) &&
               machine.services.launchedCommands() == std::vector<std::string>{kProductCommand};
    // The command the README gives for a relocated product.
    const std::string writtenCommand = std::string("\"") + kOwnPath + "\" -uninstall -guid\"" + mode.targetName +
                                       "\" -tguid\"" + mode.sourceName + "\"";
    const ValueSnapshot isrelocCommand{kRegSz, machine.textBytes(writtenCommand)};
    const ValueSnapshot productCommand{kRegSz, machine.textBytes(kProductCommand)};
    const ValueSnapshot* command = machine.value(target, "UninstallString");
    const ValueSnapshot* saved = machine.value(target, "szUninstallString");
    return moved && command != nullptr && *command == isrelocCommand && saved != nullptr && *saved == productCommand;
}

// A failed look for the marker file ends a run quietly, as a missing product does (the file
// services answer only "there" or "not there"). A registry that cannot be read is never a product
// that is not there: it ends with a box.
inline bool findsNoProduct(Seam seam, uint64_t number, const CleanRun& clean) {
    return seam == Seam::services && clean.serviceCalls[number - 1].kind == ServiceCall::fileExists;
}

// Runs the command the product's entry holds, as Windows would run it: isreloc's own command
// (under the target name first) starts isreloc with its arguments; a product's own command
// needs the product already where its uninstaller expects it.
inline std::string recover(InjectionMachine& machine, const ModeUnderTest& mode, const CleanRun& clean, bool& back) {
    back = readyForItsOwnUninstaller(machine, clean);
    if (back) return "not needed";
    for (const std::string& name : {mode.targetName, mode.sourceName}) {
        const KeySnapshot key = machine.productKey(name);
        const ValueSnapshot* command = machine.value(key, "UninstallString");
        const auto form = command ? entry_promise::isrelocCommandForm(entry_promise::commandText(command->data))
                                  : std::nullopt;
        if (!form) continue;
        const std::string escaped = machine.runUnswitched(form->arguments, restoreInstallation);
        back = readyForItsOwnUninstaller(machine, clean);
        return "its command" + (escaped.empty() ? std::string() : ", " + escaped) + (back ? "" : ": product not back");
    }
    return "no command of isreloc's to run: product not back";
}

struct Escape {
    bool killed = false;
    std::string failure;  // what escaped the mode, empty when it returned
};

inline Escape runOnce(InjectionMachine& machine, const ModeUnderTest& mode) {
    Escape escape;
    try {
        machine.runThroughSwitches(mode.arguments, mode.mode);
    } catch (const KilledRun&) {
        escape.killed = true;
    } catch (const Exception& failure) {
        escape.failure = std::string(failure.className()) + ": " + failure.message();
    } catch (const std::exception& failure) {
        escape.failure = std::string("std::exception: ") + failure.what();
    }
    return escape;
}

inline bool knownBox(const ModeUnderTest& mode, const RecordedMessage& box) {
    if (box.flags != kTaskModalError) return false;
    for (const ModeBox& known : mode.boxes)
        if (box.caption == known.caption && box.text.compare(0, known.text.size(), known.text) == 0) return true;
    return false;
}

// Whether the row's injected call is a failed look at the key under the target name, which may
// make install mode's own search go on to the next name.
inline bool failedLookAtTarget(const ModeUnderTest& mode, const CleanRun* clean, Seam seam, Injection injection,
                               uint64_t number) {
    return clean != nullptr && seam == Seam::registry && injection == Injection::fail &&
           !mode.nextTargetName.empty() && clean->registryCalls[number - 1].kind == RegistryCall::openKey &&
           entry_promise::namesMatch(clean->registryCalls[number - 1].detail,
                                     "HKLM\\" + std::string(kUninstallKey) + mode.targetName);
}

inline InjectionRow runRow(const ModeUnderTest& modeAsGiven, const CleanRun* clean, Seam seam, Injection injection,
                           uint64_t number, CleanRun* cleanOut = nullptr) {
    ModeUnderTest mode = modeAsGiven;
    InjectionMachine machine;
    if (mode.keysCopied) machine.registry.moveKeysByCopying();
    mode.prepare(machine);
    machine.services.openWindow(kInstallerWindow, 1);
    const InjectionMachine::Footprint start = machine.footprint();
    const bool mayTakeNextName = failedLookAtTarget(mode, clean, seam, injection, number);
    const InjectionMachine::Footprint outsideNext =
        mayTakeNextName ? machine.footprint({mode.sourceName, mode.nextTargetName}) : InjectionMachine::Footprint();
    const InjectionMachine::Footprint outsideGiven = machine.footprint({mode.sourceName, mode.targetName});
    const uint64_t registryBase = machine.registry.callCount();
    if (seam == Seam::registry && injection == Injection::fail) machine.registry.failCall(registryBase + number);
    if (seam == Seam::registry && injection == Injection::kill) machine.registrySwitch.killAfter(number);
    if (seam == Seam::services && injection == Injection::fail) machine.servicesSwitch.failCall(number);
    if (seam == Seam::services && injection == Injection::kill) machine.servicesSwitch.killAfter(number);

    const Escape escape = runOnce(machine, mode);
    machine.registry.clearFailures();

    InjectionRow row;
    row.number = number;
    row.seam = seam == Seam::registry ? "registry" : seam == Seam::services ? "services" : "-";
    row.injection = injection == Injection::fail ? "fail" : injection == Injection::kill ? "kill" : "none";
    if (cleanOut != nullptr) {
        cleanOut->registryCalls = machine.registrySwitch.calls();
        cleanOut->serviceCalls = machine.servicesSwitch.calls();
        // The switch and the store must count alike, or the store's switch would hit another call.
        row.sameCallHit = machine.registry.callCount() - registryBase == machine.registrySwitch.calls().size();
        clean = cleanOut;
        row.call = "(clean run)";
    } else if (seam == Seam::registry) {
        const auto& made = machine.registrySwitch.calls();
        const auto& wanted = clean->registryCalls[number - 1];
        row.call = callName(wanted);
        row.sameCallHit = made.size() >= number && made[number - 1].kind == wanted.kind &&
                          made[number - 1].detail == wanted.detail;
    } else {
        const auto& made = machine.servicesSwitch.calls();
        const auto& wanted = clean->serviceCalls[number - 1];
        row.call = callName(wanted);
        row.sameCallHit = made.size() >= number && made[number - 1].kind == wanted.kind &&
                          made[number - 1].detail == wanted.detail;
    }

    // The product, under the two names the mode moves between, and everything else. A kill after
    // a close or a flush lets the run return; it is a kill all the same.
    const bool killed = escape.killed || machine.life.killed;
    const bool tookNextName = mayTakeNextName && machine.productKey(mode.nextTargetName).exists;
    if (tookNextName) mode.targetName = mode.nextTargetName;
    const std::vector<std::string> productNames = {mode.sourceName, mode.targetName};
    row.checks.outside = machine.footprint(productNames).sameMachine(tookNextName ? outsideNext : outsideGiven);
    row.checks.onceAsked = !killed;
    row.checks.once = killed || wholeOnce(machine, mode, *clean);
    const bool partWay = killed || (!escape.failure.empty() && mode.goal == ModeGoal::restore);
    row.checks.runs = entryRuns(machine, mode.sourceName, partWay) && entryRuns(machine, mode.targetName, partWay);

    // How the run ended, as the user would see it.
    const std::vector<RecordedMessage>& boxes = machine.servicesSwitch.boxesAsked();
    if (killed) {
        row.outcome = "killed";
        row.checks.outcome = true;
    } else if (!escape.failure.empty()) {
        row.outcome = "report (exit 1): " + escape.failure;
        row.checks.outcome = boxes.empty();
    } else if (boxes.size() == 1) {
        row.outcome = "box (exit 0): " + boxes.front().caption;
        row.checks.outcome = knownBox(mode, boxes.front());
    } else if (boxes.empty() && workDone(machine, mode, *clean)) {
        row.outcome = "done (exit 0)";
        row.checks.outcome = true;
    } else if (boxes.empty() && machine.footprint() == start && injection == Injection::fail &&
               findsNoProduct(seam, number, *clean)) {
        row.outcome = "quiet end: product not found, nothing changed";
        row.checks.outcome = true;
    } else {
        row.outcome = boxes.empty() ? "silent end, work not done (exit 0)" : std::to_string(boxes.size()) + " boxes";
        row.checks.outcome = false;
    }

    row.recovery = recover(machine, mode, *clean, row.checks.recovery);
    return row;
}

inline const char* mark(bool ok) { return ok ? "\u2713" : "\u2717"; }

}  // namespace injection_detail

inline std::string describeRow(const InjectionRow& row) {
    return row.seam + " call " + std::to_string(row.number) + " (" + row.call + "), " + row.injection + " -> " +
           row.outcome + "; recovery: " + row.recovery;
}

inline InjectionTable runInjectionTable(const ModeUnderTest& mode) {
    using namespace injection_detail;
    CleanRun clean;
    {
        InjectionMachine reference;
        reference.installProduct();
        clean.installedKey = reference.productKey(kProductGuid);
        clean.keyWithoutCommands = clean.installedKey;
        clean.keyWithoutCommands.values.erase(reference.registry.widen("UninstallString"));
        clean.keyWithoutCommands.values.erase(reference.registry.widen("szUninstallString"));
    }
    InjectionTable table;
    table.rows.push_back(runRow(mode, nullptr, Seam::none, Injection::none, 0, &clean));
    table.registryCalls = clean.registryCalls.size();
    table.serviceCalls = clean.serviceCalls.size();
    for (uint64_t number = 1; number <= table.registryCalls; ++number)
        for (Injection injection : {Injection::fail, Injection::kill})
            table.rows.push_back(runRow(mode, &clean, Seam::registry, injection, number));
    for (uint64_t number = 1; number <= table.serviceCalls; ++number)
        for (Injection injection : {Injection::fail, Injection::kill})
            table.rows.push_back(runRow(mode, &clean, Seam::services, injection, number));
    return table;
}

inline std::string formatInjectionTable(const ModeUnderTest& mode, const InjectionTable& table) {
    using injection_detail::mark;
    std::ostringstream out;
    size_t failing = 0;
    for (const InjectionRow& row : table.rows) {
        const RowChecks& c = row.checks;
        if (!(row.sameCallHit && c.outside && c.once && c.runs && c.outcome && c.recovery))
            ++failing;
    }
    out << "\n" << mode.name << (mode.keysCopied ? ", keys copied" : ", keys renamed") << ": " << table.registryCalls
        << " registry calls and " << table.serviceCalls << " services calls in a clean run; " << table.rows.size() << " runs, " << failing
        << " with a check failing\n"
        << "checks: out = nothing else changed, one = key (its command kept) and folder whole under one name, "
           "nothing under the other (- after a kill), run = every command of its entries starts what is there, "
           "end = outcome, rec = its entry's command brings it back for its own uninstaller\n";
    char line[512];
    std::snprintf(line, sizeof line, "%4s %-8s %-58s %-4s %-44s out one run end rec  recovery\n", "#", "seam", "call",
                  "inj", "outcome");
    out << line;
    for (const InjectionRow& row : table.rows) {
        const RowChecks& c = row.checks;
        std::snprintf(line, sizeof line, "%4llu %-8s %-58.58s %-4s %-44.44s  %s   %s   %s   %s   %s   %s%s\n",
                      static_cast<unsigned long long>(row.number), row.seam.c_str(), row.call.c_str(),
                      row.injection.c_str(), row.outcome.c_str(), mark(c.outside), c.onceAsked ? mark(c.once) : "-",
                      mark(c.runs), mark(c.outcome), mark(c.recovery), row.recovery.c_str(),
                      row.sameCallHit ? "" : " (call not reached)");
        out << line;
    }
    return out.str();
}
