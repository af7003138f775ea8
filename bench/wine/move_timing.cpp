// Times isreloc's install-mode move of a large uninstall key on the real registry under Wine,
// against Wine's own "reg copy /s /f" followed by "reg delete /f" on the same tree in the same
// prefix, and shows where isreloc's time goes call by call. Prints markdown tables.
//
//   wine_move_timing.exe [repetitions] [subkeys] [values per subkey]
//
// Runs alternate between the two contenders so that any drift of the machine hits both alike.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fixture.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_win32.h"
#include "product_tree.h"
#include "profiling_registry.h"
#include "timed_runs.h"
#include "two_call_copy.h"
#include "unique_handle.h"

namespace {

// One level deep, so that removing it leaves nothing behind.
const char* const kScratchProgramFiles = "C:\\isreloc-bench-program-files";
// A well-formed GUID with no maintenance directory: isreloc starts, looks, and ends.
const char* const kAbsentGuid = "{00000000-0000-0000-0000-000000000000}";

struct Settings {
    int repetitions = 7;
    TreeShape shape;
};

Settings settingsFrom(int argc, char** argv) {
    Settings settings;
    if (argc > 1) settings.repetitions = std::max(1, std::atoi(argv[1]));
    if (argc > 2) settings.shape.subkeys = std::max(0, std::atoi(argv[2]));
    if (argc > 3) settings.shape.valuesPerSubkey = std::max(0, std::atoi(argv[3]));
    return settings;
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

struct ContestTimes {
    std::vector<double> isreloc;
    std::vector<double> regCopy;
    std::vector<double> regDelete;
    std::vector<double> regBoth;
};

// One isreloc run: the product as installed, isreloc started as its installer would start it.
void runIsrelocOnce(const Settings& settings, const Names& names, const ScratchProgramFiles& scratch,
                    const std::string& isreloc, ContestTimes& times, Checks& checks) {
    clearProductKeys(names);
    scratch.removeMaintenanceDirectories();
    const int seeded = seedProductKey(names.sourceKey, settings.shape);
    if (!checks.require(seeded > 0 && scratch.makeMaintenanceDirectory(names.source), "the product could not be laid out"))
        return;
    const TimedRun run = timeIsreloc(isreloc, "\"" + isreloc + "\" -hwnd0 -guid" + names.source);
    if (!checks.require(run)) return;
    // The product's command moves to szUninstallString and isreloc's own joins it: one value more.
    const auto moved = countTreeValues(names.targetKey);
    if (checks.require(!machineKeyExists(names.sourceKey) && moved && *moved == seeded + 1 &&
                           directoryExists(scratch.maintenanceRoot() + names.target),
                       "isreloc.exe did not move the whole product"))
        times.isreloc.push_back(run.milliseconds);
}

// One reg run on the same tree: copy with all subkeys, then delete the source.
void runRegOnce(const Settings& settings, const Names& names, ContestTimes& times, Checks& checks) {
    clearProductKeys(names);
    const int seeded = seedProductKey(names.sourceKey, settings.shape);
    if (!checks.require(seeded > 0, "the product key could not be seeded")) return;
    const TimedRun copy = timeReg("copy \"HKLM\\" + names.sourceKey + "\" \"HKLM\\" + names.targetKey + "\" /s /f");
    if (!checks.require(copy)) return;
    const TimedRun erase = timeReg("delete \"HKLM\\" + names.sourceKey + "\" /f");
    if (!checks.require(erase)) return;
    const auto moved = countTreeValues(names.targetKey);
    if (checks.require(!machineKeyExists(names.sourceKey) && moved && *moved == seeded,
                       "reg did not move the whole key")) {
        times.regCopy.push_back(copy.milliseconds);
        times.regDelete.push_back(erase.milliseconds);
        times.regBoth.push_back(copy.milliseconds + erase.milliseconds);
    }
}

void printContest(const Settings& settings, int64_t seeded, const ContestTimes& times) {
    std::printf("\n### Wine, real registry: a product key of %s values (%d subkeys of %d, plus its own) moved\n\n",
                withThousands(seeded).c_str(), settings.shape.subkeys, settings.shape.valuesPerSubkey);
    std::printf("| run | isreloc -hwnd0 -guid{...} (ms) | reg copy /s /f (ms) | reg delete /f (ms) | reg copy + delete (ms) |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    const std::size_t rows = std::max(times.isreloc.size(), times.regBoth.size());
    auto cell = [](const std::vector<double>& column, std::size_t row) {
        return row < column.size() ? std::to_string(static_cast<int64_t>(column[row] + 0.5)) : std::string("-");
    };
    for (std::size_t row = 0; row < rows; ++row)
        std::printf("| %zu | %s | %s | %s | %s |\n", row + 1, cell(times.isreloc, row).c_str(),
                    cell(times.regCopy, row).c_str(), cell(times.regDelete, row).c_str(),
                    cell(times.regBoth, row).c_str());
    std::printf("| **median** | **%.0f** | %.0f | %.0f | **%.0f** |\n", median(times.isreloc), median(times.regCopy),
                median(times.regDelete), median(times.regBoth));
    const double ratio = median(times.regBoth) > 0 ? median(times.isreloc) / median(times.regBoth) : 0;
    std::printf("\nratio isreloc / reg (medians): **%.2f** (target: at most 1.00, isreloc no slower than reg) -> %s\n",
                ratio, ratio > 0 && ratio <= 1.0 ? "met" : "NOT met");
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

// isreloc's registry work in this process, call by call: the same layer and tree operations as
// install mode, with flush-on-close as install mode sets it; beside it, on the same tree, a copy
// that reads each value with its name as reg.exe does.
struct InProcessTimes {
    std::vector<double> copy;
    std::vector<double> erase;
    std::vector<double> close;
    std::vector<double> twoCallCopy;
};

void moveWithIsrelocLayer(const Names& names, ProfilingRegistryApi& profiling, InProcessTimes& times) {
    TRegistry registry(profiling);
    registry.setFlushOnClose(true);
    registry.setRoot(kLocalMachine);
    registry.openPath("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", false);
    double start = nowMilliseconds();
    registry.transplantKey(names.source, names.target, false);
    times.copy.push_back(nowMilliseconds() - start);
    start = nowMilliseconds();
    registry.eraseKeyTree(names.source);
    times.erase.push_back(nowMilliseconds() - start);
    registry.openPath("\\" + names.targetKey, false);
    start = nowMilliseconds();
    registry.closePath();
    times.close.push_back(nowMilliseconds() - start);
}

bool copyWithTwoCallsPerValue(const Names& names, InProcessTimes& times) {
    UniqueRegistryKey source;
    UniqueRegistryKey target;
    const double start = nowMilliseconds();
    const bool copied =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, names.sourceKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, source.receive()) == ERROR_SUCCESS &&
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, names.targetKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        target.receive(), nullptr) == ERROR_SUCCESS &&
        copyTreeTwoCallsPerValue(source.get(), target.get());
    times.twoCallCopy.push_back(nowMilliseconds() - start);
    return copied;
}

void printCallProfile(const Settings& settings, const Names& names, Checks& checks) {
    Win32RegistryApi windows;
    ProfilingRegistryApi profiling(windows);
    InProcessTimes times;
    int seeded = 0;
    for (int run = 0; run < settings.repetitions; ++run) {
        clearProductKeys(names);
        seeded = seedProductKey(names.sourceKey, settings.shape);
        if (!checks.require(seeded > 0, "the product key could not be seeded")) return;
        moveWithIsrelocLayer(names, profiling, times);
        const auto moved = countTreeValues(names.targetKey);
        checks.require(!machineKeyExists(names.sourceKey) && moved && *moved == seeded,
                       "the in-process move did not move the whole key");
        clearProductKeys(names);
        seedProductKey(names.sourceKey, settings.shape);
        const bool copied = copyWithTwoCallsPerValue(names, times);
        const auto copiedValues = countTreeValues(names.targetKey);
        checks.require(copied && copiedValues && *copiedValues == seeded, "the two-call copy did not copy the whole key");
    }
    clearProductKeys(names);

    const int runs = settings.repetitions;
    std::printf("\n### Wine: where isreloc's time goes (its registry layer in-process, %s values, median of %d)\n\n",
                withThousands(seeded).c_str(), runs);
    std::printf("| phase | ms |\n|---|---:|\n");
    std::printf("| isreloc: copy (transplantKey without removal) | %.0f |\n", median(times.copy));
    std::printf("| isreloc: erase of the source (eraseKeyTree) | %.0f |\n", median(times.erase));
    std::printf("| isreloc: closePath of the moved key (RegFlushKey + RegCloseKey) | %.2f |\n", median(times.close));
    std::printf("| same tree, copied as reg.exe copies it (RegEnumValue with data + RegSetValueEx) | %.0f |\n",
                median(times.twoCallCopy));
    const double perValueRatio = median(times.twoCallCopy) > 0 ? median(times.copy) / median(times.twoCallCopy) : 0;
    std::printf("\ncopy time isreloc / two calls per value: %.2f\n", perValueRatio);
    std::printf("\n| isreloc's calls per run | calls | calls per value | ms | us per call |\n|---|---:|---:|---:|---:|\n");
    for (int kind = 0; kind < static_cast<int>(RegistryCallKind::count); ++kind) {
        const CallTally& tally = profiling.tally(static_cast<RegistryCallKind>(kind));
        if (tally.calls == 0) continue;
        std::printf("| %s | %s | %.2f | %.0f | %.1f |\n", callKindName(static_cast<RegistryCallKind>(kind)),
                    withThousands(tally.calls / runs).c_str(), static_cast<double>(tally.calls) / runs / seeded,
                    tally.milliseconds / runs, 1000.0 * tally.milliseconds / static_cast<double>(tally.calls));
    }
    std::printf("\nof the RegQueryValueEx calls per run, %s only ask for a value's type and size before it is read\n",
                withThousands(profiling.sizeQueries() / runs).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const Settings settings = settingsFrom(argc, argv);
    const std::string isreloc = isrelocBesideThisProgram();
    Checks checks;
    if (!checks.require(fileExists(isreloc), "no isreloc.exe beside this program: " + isreloc)) return 1;
    const Names names;
    {
        const ScratchProgramFiles scratch(kScratchProgramFiles);
        if (!checks.require(scratch.ready(), "ProgramFilesDir could not be pointed at the scratch folder")) return 1;
        ContestTimes times;
        for (int run = 0; run < settings.repetitions; ++run) {
            runIsrelocOnce(settings, names, scratch, isreloc, times, checks);
            runRegOnce(settings, names, times, checks);
        }
        clearProductKeys(names);
        const int64_t seeded = 5 + static_cast<int64_t>(settings.shape.subkeys) * settings.shape.valuesPerSubkey;
        printContest(settings, seeded, times);
        printStartupCosts(settings.repetitions, isreloc, checks);
        printCallProfile(settings, names, checks);
    }
    std::fflush(stdout);
    return checks.failed() ? 1 : 0;
}
