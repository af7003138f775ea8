// Times the move of a large uninstall key on the real registry under Wine, against Wine's own
// "reg copy /s /f" followed by "reg delete /f" of the same tree in the same prefix, at several
// sizes. isreloc's side is timed three ways: the whole isreloc.exe run (install mode, which
// renames the key where the system lets it), and in this process the registry layer's two paths,
// the rename and the copy that a system without the rename takes. Under Wine, whose rename loses
// a neighbouring key, the backend offers no rename: the rename path is reported as unavailable
// there, not timed. Then where the copy path's time goes, call by call. Prints markdown tables.
//
//   wine_move_timing.exe [repetitions] [values...]     (7 runs; 1000 10000 100000 values)
//
// Within a repetition the contenders take turns, so that any drift of the machine hits all alike.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fixture.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_win32.h"
#include "product_tree.h"
#include "profiling_registry.h"
#include "renameless_registry.h"
#include "timed_runs.h"
#include "two_call_copy.h"
#include "unique_handle.h"

namespace {

// One level deep, so that removing it leaves nothing behind.
const char* const kScratchProgramFiles = "C:\\isreloc-bench-program-files";
// A well-formed GUID with no maintenance directory: isreloc starts, looks, and ends.
const char* const kAbsentGuid = "{00000000-0000-0000-0000-000000000000}";
const char* const kUninstallParent = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The size the targets are set for, and whose calls are shown.
constexpr int kProfiledValues = 10000;
constexpr double kRenameTarget = 0.05;
constexpr double kCopyTarget = 0.70;
// The copy's cost per value counts as flat when the largest tree costs at most this much more
// per value than the smallest: linear, whatever the fixed cost of a move adds to small trees.
constexpr double kFlatGrowth = 1.25;

struct Settings {
    int repetitions = 7;
    std::vector<int> sizes{1000, 10000, 100000};
};

Settings settingsFrom(int argc, char** argv) {
    Settings settings;
    if (argc > 1) settings.repetitions = std::max(1, std::atoi(argv[1]));
    if (argc > 2) settings.sizes.clear();
    for (int arg = 2; arg < argc; ++arg) settings.sizes.push_back(std::max(1, std::atoi(argv[arg])));
    return settings;
}

// Component subkeys of 100 values each, as in the product keys installers leave.
TreeShape shapeFor(int values) {
    TreeShape shape;
    shape.valuesPerSubkey = std::min(values, 100);
    shape.subkeys = std::max(1, values / shape.valuesPerSubkey);
    return shape;
}

std::string isrelocBesideThisProgram() {
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string own(path, length < MAX_PATH ? length : 0);
    return own.substr(0, own.find_last_of('\\') + 1) + "isreloc.exe";
}

double median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double ratio(double part, double whole) { return whole > 0 ? part / whole : 0; }

std::string withThousands(int64_t number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

// Every failure is printed where it happens and makes the whole run fail at the end.
class Checks {
public:
    bool require(bool holds, const std::string& what) {
        if (!holds) {
            std::printf("FAILED: %s\n", what.c_str());
            failed_ = true;
        }
        return holds;
    }
    bool require(const TimedRun& run) { return require(run.ok, run.failure); }
    bool failed() const { return failed_; }

private:
    bool failed_ = false;
};

struct Names {
    std::string source = kBenchGuid;
    std::string target = std::string(kBenchGuid) + "_0";
    std::string sourceKey = uninstallKeyPath(source);
    std::string targetKey = uninstallKeyPath(target);
};

void clearProductKeys(const Names& names) {
    deleteMachineKeyTree(names.sourceKey);
    deleteMachineKeyTree(names.targetKey);
}

bool movedWhole(const Names& names, int64_t values) {
    const auto moved = countTreeValues(names.targetKey);
    return !machineKeyExists(names.sourceKey) && moved && *moved == values;
}

// The rename path is moveKey on a system that renames; the copy path is what moveKey falls back
// to where it cannot, transplantKey's copy and removal, here without the refused call before it.
enum class LayerCall { moveKey, transplantKey };

// The registry layer as install mode sets it up (rooted at HKEY_LOCAL_MACHINE, keys flushed when
// closed, the uninstall key open), moving the product key; only the move itself is timed.
double timeLayerMove(RegistryApi& api, LayerCall call, const std::string& from, const std::string& to) {
    TRegistry registry(api);
    registry.setFlushOnClose(true);
    registry.setRoot(kLocalMachine);
    registry.openPath(kUninstallParent, false);
    const double start = nowMilliseconds();
    if (call == LayerCall::transplantKey)
        registry.transplantKey(from, to, true);
    else
        registry.moveKey(from, to);
    return nowMilliseconds() - start;
}

// Back under the product's GUID, untimed.
bool putBack(RegistryApi& api, const Names& names) {
    timeLayerMove(api, LayerCall::moveKey, names.target, names.source);
    return machineKeyExists(names.sourceKey) && !machineKeyExists(names.targetKey);
}

// The product as installed again after isreloc.exe moved it: the key under its GUID with the
// product's own command in UninstallString, and no maintenance directory.
bool undoIsrelocRun(RegistryApi& api, const Names& names, const ScratchProgramFiles& scratch) {
    {
        TRegistry registry(api);
        registry.setRoot(kLocalMachine);
        if (!registry.openPath(kUninstallParent, false)) return false;
        registry.moveKey(names.target, names.source);
        if (!registry.openPath(names.source, false)) return false;
        registry.eraseValue("UninstallString");
        registry.relabelValue("szUninstallString", "UninstallString");
    }
    scratch.removeMaintenanceDirectories();
    return true;
}

struct SizeResult {
    int size = 0;        // as asked for
    int64_t values = 0;  // as seeded: the product's own values besides
    std::vector<double> reg;      // reg copy + reg delete
    std::vector<double> isreloc;  // the whole isreloc.exe run
    std::vector<double> rename;   // the layer's moveKey, renaming
    std::vector<double> copy;     // the layer's copy and removal, where moveKey cannot rename
};

// One repetition at one size: each contender moves the product key from its GUID to the
// relocated name, is checked, and the key is put back for the next. The repetition's number
// decides who goes first, so that no contender always follows the same one.
bool runContenders(int repetition, const Names& names, const std::string& isreloc,
                   const ScratchProgramFiles& scratch, Win32RegistryApi& windows, bool renames, SizeResult& result,
                   Checks& checks) {
    const auto keyBack = [&] { return checks.require(putBack(windows, names), "the key could not be put back"); };
    const auto reg = [&] {
        const TimedRun copy = timeReg("copy \"HKLM\\" + names.sourceKey + "\" \"HKLM\\" + names.targetKey + "\" /s /f");
        const TimedRun erase = timeReg("delete \"HKLM\\" + names.sourceKey + "\" /f");
        if (!checks.require(copy) || !checks.require(erase) ||
            !checks.require(movedWhole(names, result.values), "reg did not move the whole key") || !keyBack())
            return false;
        result.reg.push_back(copy.milliseconds + erase.milliseconds);
        return true;
    };
    const auto layer = [&](LayerCall call, std::vector<double>& times) {
        const double milliseconds = timeLayerMove(windows, call, names.source, names.target);
        if (!checks.require(movedWhole(names, result.values), "the registry layer did not move the whole key") ||
            !keyBack())
            return false;
        times.push_back(milliseconds);
        return true;
    };
    const auto program = [&] {
        if (!checks.require(scratch.makeMaintenanceDirectory(names.source), "the maintenance directory could not be made"))
            return false;
        const TimedRun run = timeIsreloc(isreloc, "\"" + isreloc + "\" -hwnd0 -guid" + names.source);
        // The product's command moves to szUninstallString and isreloc's own joins it: one value more.
        if (!checks.require(run) ||
            !checks.require(movedWhole(names, result.values + 1) &&
                                directoryExists(scratch.maintenanceRoot() + names.target),
                            "isreloc.exe did not move the whole product") ||
            !checks.require(undoIsrelocRun(windows, names, scratch), "the product could not be put back"))
            return false;
        result.isreloc.push_back(run.milliseconds);
        return true;
    };
    constexpr int kContenders = 4;
    for (int turn = 0; turn < kContenders; ++turn) {
        bool ok = true;
        switch ((repetition + turn) % kContenders) {
        case 0: ok = reg(); break;
        case 1: ok = !renames || layer(LayerCall::moveKey, result.rename); break;
        case 2: ok = layer(LayerCall::transplantKey, result.copy); break;
        default: ok = program(); break;
        }
        if (!ok) return false;
    }
    return true;
}

SizeResult timeOneSize(int repetitions, int values, const std::string& isreloc, const ScratchProgramFiles& scratch,
                       Win32RegistryApi& windows, bool renames, Checks& checks) {
    const Names names;
    SizeResult result;
    result.size = values;
    clearProductKeys(names);
    scratch.removeMaintenanceDirectories();
    result.values = seedProductKey(names.sourceKey, shapeFor(values));
    if (checks.require(result.values > 0, "the product key could not be seeded"))
        for (int run = 0; run < repetitions; ++run)
            if (!runContenders(run, names, isreloc, scratch, windows, renames, result, checks)) break;
    clearProductKeys(names);
    return result;
}

void printPaths(const Settings& settings, const std::vector<SizeResult>& results) {
    std::printf("\n### Wine, real registry: a product key moved, isreloc against reg copy /s /f + reg delete /f "
                "(median of %d)\n\n",
                settings.repetitions);
    std::printf("Component subkeys of 100 values each, plus the product's own 5 values. In this process through the "
                "registry layer: the rename path is moveKey, the copy path the copy and removal moveKey falls back to "
                "where it cannot rename (transplantKey). The isreloc.exe run is the whole program in install mode, "
                "start-up included. The rename path is unavailable where the system offers no rename: under Wine, "
                "whose rename loses a neighbouring key, isreloc copies (its isreloc.exe column is the copy path "
                "there).\n\n");
    std::printf("| values | reg copy + delete (ms) | rename path (ms) | rename / reg | copy path (ms) | copy / reg "
                "| copy path per value (us) | isreloc.exe run (ms) | isreloc.exe / reg |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const SizeResult& row : results) {
        const double reg = median(row.reg);
        char renamePath[64] = "unavailable | -";
        if (!row.rename.empty())
            std::snprintf(renamePath, sizeof renamePath, "%.2f | %.4f", median(row.rename), ratio(median(row.rename), reg));
        std::printf("| %s | %.0f | %s | %.0f | %.2f | %.1f | %.0f | %.3f |\n", withThousands(row.values).c_str(), reg,
                    renamePath, median(row.copy), ratio(median(row.copy), reg),
                    1000 * ratio(median(row.copy), static_cast<double>(row.values)), median(row.isreloc),
                    ratio(median(row.isreloc), reg));
    }
}

// The targets for both paths and the copy's scaling, each read off the table above.
void printTargets(const std::vector<SizeResult>& results) {
    const auto profiled = std::find_if(results.begin(), results.end(),
                                       [](const SizeResult& row) { return row.size == kProfiledValues; });
    std::printf("\n");
    if (profiled != results.end()) {
        const double renameRatio = ratio(median(profiled->rename), median(profiled->reg));
        const double copyRatio = ratio(median(profiled->copy), median(profiled->reg));
        if (profiled->rename.empty())
            std::printf("- rename path: unavailable on this system (keys are copied), not timed\n");
        else
            std::printf("- rename path at %s values: **%.4f** of reg's time (target: at most %.2f) -> %s\n",
                        withThousands(profiled->values).c_str(), renameRatio, kRenameTarget,
                        renameRatio > 0 && renameRatio <= kRenameTarget ? "met" : "NOT met");
        std::printf("- copy path at %s values: **%.2f** of reg's time (target: at most %.2f) -> %s\n",
                    withThousands(profiled->values).c_str(), copyRatio, kCopyTarget,
                    copyRatio > 0 && copyRatio <= kCopyTarget ? "met" : "NOT met");
    }
    std::vector<std::pair<int64_t, double>> perValue;  // microseconds per value, by tree size
    std::string figures;
    for (const SizeResult& row : results) {
        if (row.copy.empty()) continue;
        perValue.emplace_back(row.values, 1000 * ratio(median(row.copy), static_cast<double>(row.values)));
        char figure[64];
        std::snprintf(figure, sizeof figure, "%s%.1f us at %s", figures.empty() ? "" : ", ", perValue.back().second,
                      withThousands(row.values).c_str());
        figures += figure;
    }
    if (perValue.size() > 1) {
        const auto [smallest, largest] = std::minmax_element(perValue.begin(), perValue.end());
        const double growth = ratio(largest->second, smallest->second);
        std::printf("- copy path per value (%s): largest tree against smallest **%.2f** (flat: at most %.2f) -> %s\n",
                    figures.c_str(), growth, kFlatGrowth, growth > 0 && growth <= kFlatGrowth ? "met" : "NOT met");
    }
}

// Process start-up and shut-down alone: isreloc with nothing to move, reg reading one value.
void printStartupCosts(int repetitions, const std::string& isreloc, Checks& checks) {
    std::vector<double> isrelocAlone;
    std::vector<double> regAlone;
    for (int run = 0; run < repetitions; ++run) {
        const TimedRun nothing = timeIsreloc(isreloc, "\"" + isreloc + "\" -hwnd0 -guid" + kAbsentGuid);
        if (checks.require(nothing)) isrelocAlone.push_back(nothing.milliseconds);
        const TimedRun query = timeReg("query \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\" /v ProgramFilesDir");
        if (checks.require(query)) regAlone.push_back(query.milliseconds);
    }
    std::printf("\n### Wine: start-up and shut-down alone (median of %d)\n\n", repetitions);
    std::printf("| program | ms |\n|---|---:|\n");
    std::printf("| isreloc.exe, a product with no maintenance directory (nothing to move) | %.0f |\n",
                median(isrelocAlone));
    std::printf("| reg query, one value (a move with reg starts two such processes) | %.0f |\n", median(regAlone));
}

// The same tree copied as reg.exe copies it, in this process and without removing the source:
// the least a copy can cost in registry calls, beside the copy path's figure.
double timeTwoCallCopy(const Names& names, int values, int repetitions, Checks& checks) {
    std::vector<double> times;
    for (int run = 0; run < repetitions; ++run) {
        clearProductKeys(names);
        const int seeded = seedProductKey(names.sourceKey, shapeFor(values));
        UniqueRegistryKey source;
        UniqueRegistryKey target;
        const double start = nowMilliseconds();
        const bool copied = RegOpenKeyExA(HKEY_LOCAL_MACHINE, names.sourceKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
                                          source.receive()) == ERROR_SUCCESS &&
                            RegCreateKeyExA(HKEY_LOCAL_MACHINE, names.targetKey.c_str(), 0, nullptr, 0,
                                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, target.receive(),
                                            nullptr) == ERROR_SUCCESS &&
                            copyTreeTwoCallsPerValue(source.get(), target.get());
        times.push_back(nowMilliseconds() - start);
        const auto copiedValues = countTreeValues(names.targetKey);
        checks.require(copied && copiedValues && *copiedValues == seeded, "the two-call copy did not copy the whole key");
    }
    clearProductKeys(names);
    return median(times);
}

// moveKey through a registry without the rename, every call tallied: the copy path as it runs
// where RegRenameKey is missing, call by call. The tallying adds a little to each call.
void printCopyProfile(const Settings& settings, Win32RegistryApi& windows, Checks& checks) {
    const Names names;
    RenamelessRegistryApi copying(windows);
    std::vector<double> times;
    clearProductKeys(names);
    const int seeded = seedProductKey(names.sourceKey, shapeFor(kProfiledValues));
    if (!checks.require(seeded > 0, "the product key could not be seeded")) return;
    for (int run = 0; run < settings.repetitions; ++run) {
        times.push_back(timeLayerMove(copying, LayerCall::moveKey, names.source, names.target));
        if (!checks.require(movedWhole(names, seeded), "the copy path did not move the whole key") ||
            !checks.require(putBack(windows, names), "the key could not be put back"))
            return;
    }
    clearProductKeys(names);
    const auto runs = static_cast<int64_t>(times.size());
    std::printf("\n### Wine: where the copy path's time goes (%s values, median of %lld)\n\n",
                withThousands(seeded).c_str(), static_cast<long long>(runs));
    std::printf("| phase | ms |\n|---|---:|\n");
    std::printf("| moveKey where the rename is missing (copy, then removal of the source), every call tallied | %.0f |\n",
                median(times));
    std::printf("| same tree copied as reg.exe copies it (RegEnumValue with data + RegSetValueEx), no removal | %.0f |\n",
                timeTwoCallCopy(names, kProfiledValues, settings.repetitions, checks));
    std::printf("\n| copy path's calls per move | calls | calls per value | ms | us per call |\n|---|---:|---:|---:|---:|\n");
    for (int kind = 0; kind < static_cast<int>(RegistryCallKind::count); ++kind) {
        const CallTally& tally = copying.tally(static_cast<RegistryCallKind>(kind));
        if (tally.calls == 0) continue;
        std::printf("| %s | %s | %.3f | %.0f | %.1f |\n", callKindName(static_cast<RegistryCallKind>(kind)),
                    withThousands(tally.calls / runs).c_str(), static_cast<double>(tally.calls) / runs / seeded,
                    tally.milliseconds / runs, 1000.0 * tally.milliseconds / static_cast<double>(tally.calls));
    }
    std::printf("\nof the RegQueryValueEx calls per move, %s only ask for a value's type and size before it is read\n",
                withThousands(copying.sizeQueries() / runs).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const Settings settings = settingsFrom(argc, argv);
    const std::string isreloc = isrelocBesideThisProgram();
    Checks checks;
    if (!checks.require(fileExists(isreloc), "no isreloc.exe beside this program: " + isreloc)) return 1;
    Win32RegistryApi windows;
    // A backend that offers no rename says so before it looks at anything.
    const bool renames = windows.regRenameKey(kLocalMachine, u"SOFTWARE\\isreloc-bench-missing", u"x") !=
                         kErrorCallNotImplemented;
    std::vector<SizeResult> results;
    {
        const ScratchProgramFiles scratch(kScratchProgramFiles);
        if (!checks.require(scratch.ready(), "ProgramFilesDir could not be pointed at the scratch folder")) return 1;
        // First rounds, not counted: Wine loads what the programs need, and the services a fresh
        // prefix starts settle.
        timeOneSize(2, settings.sizes.front(), isreloc, scratch, windows, renames, checks);
        for (const int values : settings.sizes)
            results.push_back(timeOneSize(settings.repetitions, values, isreloc, scratch, windows, renames, checks));
    }
    printPaths(settings, results);
    printTargets(results);
    printStartupCosts(settings.repetitions, isreloc, checks);
    printCopyProfile(settings, windows, checks);
    std::fflush(stdout);
    return checks.failed() ? 1 : 0;
}
