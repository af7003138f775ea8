#pragma once
// The failure-injection table of one mode: a clean run counts the calls, then every registry
// call and every services call is made to fail once and killed after once, each on a fresh
// machine. After each run the product must be whole somewhere, the run must have ended in a
// way the user can see, and a run of uninstall mode must bring the product back to where its
// own uninstaller can run.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "injection_checks.h"
#include "relocation/isreloc_command.h"

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
    // A check known to fail on a row, and why; null for none. The row is shown, not hidden.
    const char* (*knownFault)(const std::string& seam, const std::string& call, const std::string& injection);
};

struct RowChecks {
    bool command = false;    // the product's uninstall command is still in the registry
    bool key = false;        // a complete product key under the source or the target name
    bool directory = false;  // the maintenance directory, complete, under exactly one of them
    bool outcome = false;    // a box, a failure report, the work done, or the kill
    bool recovery = false;   // uninstall mode brings the product back (or nothing needs to)
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
    std::string knownFault;   // why a check is known to fail here; empty for none
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
    const ValueSnapshot isrelocCommand{
        kRegSz, machine.wideTextBytes(buildUninstallCommand(latin1(kOwnPath), latin1(mode.targetName), latin1(mode.sourceName)))};
    const ValueSnapshot productCommand{kRegSz, machine.textBytes(kProductCommand)};
    const ValueSnapshot* command = machine.value(target, "UninstallString");
    const ValueSnapshot* saved = machine.value(target, "szUninstallString");
    return moved && command != nullptr && *command == isrelocCommand && saved != nullptr && *saved == productCommand;
}

// A failed look for the product ends a run quietly, as a missing product does: the look for
// ProgramFilesDir (an empty value is taken as the root of the drive) and for the marker file.
inline bool findsNoProduct(Seam seam, uint64_t number, const CleanRun& clean) {
    if (seam == Seam::services) return clean.serviceCalls[number - 1].kind == ServiceCall::fileExists;
    const std::string& detail = clean.registryCalls[number - 1].detail;
    return detail == "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion" ||
           detail == "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion:ProgramFilesDir";
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

inline InjectionRow runRow(const ModeUnderTest& mode, const CleanRun* clean, Seam seam, Injection injection,
                           uint64_t number, CleanRun* cleanOut = nullptr) {
    InjectionMachine machine;
    mode.prepare(machine);
    machine.services.openWindow(kInstallerWindow, 1);
    const InjectionMachine::Footprint start = machine.footprint();
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

    // The product's state, under the two names the mode moves between.
    const KeySnapshot source = machine.productKey(mode.sourceName);
    const KeySnapshot target = machine.productKey(mode.targetName);
    row.checks.command = holdsProductCommand(machine, source) || holdsProductCommand(machine, target);
    row.checks.key = holdsAllOf(source, clean->keyWithoutCommands) || holdsAllOf(target, clean->keyWithoutCommands);
    const bool underSource = machine.productDirectory(mode.sourceName).has_value();
    const bool underTarget = machine.productDirectory(mode.targetName).has_value();
    row.checks.directory = underSource != underTarget && (machine.productDirectoryComplete(mode.sourceName) ||
                                                          machine.productDirectoryComplete(mode.targetName));

    // How the run ended, as the user would see it.
    const std::vector<RecordedMessage>& boxes = machine.servicesSwitch.boxesAsked();
    // A kill after a close or a flush lets the run return; it is a kill all the same.
    if (escape.killed || machine.life.killed) {
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

    if (const char* known = mode.knownFault(row.seam, row.call, row.injection)) row.knownFault = known;

    if (readyForItsOwnUninstaller(machine, *clean)) {
        row.recovery = "not needed";
        row.checks.recovery = true;
    } else {
        const std::string escaped = machine.runUnswitched(kRecoveryArguments, restoreInstallation);
        row.checks.recovery = readyForItsOwnUninstaller(machine, *clean);
        row.recovery = "uninstall mode" + (escaped.empty() ? std::string() : ", " + escaped) +
                       (row.checks.recovery ? "" : ": product not back");
    }
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
        if (!(c.command && c.key && c.directory && c.outcome && c.recovery && row.sameCallHit) && row.knownFault.empty())
            ++failing;
    }
    out << "\n" << mode.name << ": " << table.registryCalls << " registry calls and " << table.serviceCalls
        << " services calls in a clean run; " << table.rows.size() << " runs, " << failing
        << " with a check failing (known faults aside)\n"
        << "checks: cmd = product command kept, key = complete key under a name, dir = directory under exactly one "
           "name, out = outcome, rec = product back for its own uninstaller\n";
    char line[512];
    std::snprintf(line, sizeof line, "%4s %-8s %-58s %-4s %-44s cmd key dir out rec  recovery\n", "#", "seam", "call",
                  "inj", "outcome");
    out << line;
    for (const InjectionRow& row : table.rows) {
        const RowChecks& c = row.checks;
        std::snprintf(line, sizeof line, "%4llu %-8s %-58.58s %-4s %-44.44s  %s   %s   %s   %s   %s   %s%s%s\n",
                      static_cast<unsigned long long>(row.number), row.seam.c_str(), row.call.c_str(),
                      row.injection.c_str(), row.outcome.c_str(), mark(c.command), mark(c.key), mark(c.directory),
                      mark(c.outcome), mark(c.recovery), row.recovery.c_str(),
                      row.sameCallHit ? "" : " (call not reached)",
                      row.knownFault.empty() ? "" : (" [known fault: " + row.knownFault + "]").c_str());
        out << line;
    }
    return out.str();
}
