// The seed inputs: each case the rules were written for, written the way the input is decoded.
// ISRELOC_MODE_FUZZ_SEEDS=<folder> writes them and exits.
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/mode_run/input.h"

namespace mode_run {
namespace {

using Seeds = std::map<std::string, std::vector<uint8_t>>;

// Writes an input the way machineFrom, commandLineArguments, the injection and the extras read it.
class SeedWriter {
public:
    // A machine of the given entries, ProgramFilesDir as Windows keeps it.
    SeedWriter& machine(std::initializer_list<Seeded> entries) {
        put(0).put(5).put(static_cast<uint8_t>(entries.size()));
        for (const Seeded& entry : entries) {
            size_t index = 0;
            while (kNames[index] != entry.name) ++index;
            put(static_cast<uint8_t>(index)).put(static_cast<uint8_t>(entry.key)).put(entry.mask);
            put(static_cast<uint8_t>(entry.folder));
        }
        return *this;
    }
    // One of the clean machines with its standard run: 0 install, 1 uninstall, 2 to 4 waited runs.
    SeedWriter& clean(uint8_t kind) { return put(0).put(kind); }
    SeedWriter& options(uint8_t count) { return put(count); }
    SeedWriter& hwnd(uint8_t value) { return put(0).put(value).put(0); }
    // A name option: the name's index, then how it is changed (0 as is, 1 lower case, 2 trailing
    // dot, 3 trailing space, 6 empty).
    SeedWriter& guid(uint8_t name, uint8_t change = 0) { return put(1).put(name).put(change).put(0); }
    SeedWriter& tguid(uint8_t name, uint8_t change = 0) { return put(2).put(name).put(change).put(0); }
    // 0 install mode, 1 "-uninstall" first.
    SeedWriter& mode(uint8_t mode) { return put(mode); }
    SeedWriter& injection(Injection kind = Injection::none, uint8_t call = 0) {
        return put(static_cast<uint8_t>(kind)).put(call).put(0);
    }
    // The waited program: bit 0 set when it cannot start, bit 1 when it removes the product, its exit
    // code chosen by bits 2 to 4, how its wait ends by bits 5 and 6, bit 7 for a window station
    // nobody sees.
    SeedWriter& standIn(uint8_t choice) { return put(choice); }
    // What the extras add: a lengthened GUID, the current directory, locked keys, engine lines, a
    // registry whose keys are not renamed.
    SeedWriter& extras(uint8_t longName, uint8_t currentDirectory, uint8_t lockedKeys, bool engineLines,
                       bool keysCopied = false) {
        return put(longName).put(currentDirectory).put(lockedKeys).put((engineLines ? 1 : 0) | (keysCopied ? 2 : 0));
    }
    // A switch of the unattended ones: 0 -silent, 1 -wait, 2 -quiet, 3 -log, 4 "--" and a tail, 5 -modify.
    SeedWriter& unattended(uint8_t which) { return put(6).put(which); }
    SeedWriter& put(uint8_t byte) {
        bytes.push_back(byte);
        return *this;
    }
    std::vector<uint8_t> bytes;
};

const uint8_t kG = 0, kG0 = 1, kMsi = 7;
// The waited program's choices: it leaves the product, ending with 1603 (a cancel or a failure) or
// 3010; it was waited for alone; it ran past the time limit.
const uint8_t kLeft1603 = 3 << 2, kLeft3010 = 1 << 2, kWaitedAlone = 1 << 5, kPastTimeLimit = 2 << 5;
// Extras' bits for locked keys.
const uint8_t kUninstallReadOnly = 1, kG0Unreadable = 8, kG1Unreadable = 16, kGUnreadable = 32, kGSubkeyReadOnly = 64;

const Seeded kInstalled{kGuid, KeyKind::product, 0xFF, FolderKind::product};
const Seeded kRelocated{kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::product};

void addCleanRuns(Seeds& seeds) {
    // The two standard runs on a clean machine, plain and with a call failing or the run stopped.
    seeds["clean-install"] = SeedWriter().clean(0).injection().bytes;
    seeds["clean-uninstall"] = SeedWriter().clean(1).injection().bytes;
    for (const uint8_t call : {3, 40, 90, 140}) {
        seeds["clean-install-killed-" + std::to_string(call)] =
            SeedWriter().clean(0).injection(Injection::killRegistry, call).bytes;
        seeds["clean-uninstall-failed-" + std::to_string(call)] =
            SeedWriter().clean(1).injection(Injection::failRegistry, call).bytes;
    }
    seeds["clean-install-killed-after-move"] = SeedWriter().clean(0).injection(Injection::killServices, 4).bytes;
    // The same on a registry whose keys are not renamed: the key moves by a copy, and the failure or
    // the stop lands inside it.
    seeds["clean-install-copied"] = SeedWriter().clean(0).injection().standIn(0).extras(0, 0, 0, false, true).bytes;
    seeds["clean-uninstall-copied"] = SeedWriter().clean(1).injection().standIn(0).extras(0, 0, 0, false, true).bytes;
    for (const uint8_t call : {60, 90, 120, 150, 180}) {
        for (const auto& [kind, name] : {std::make_pair(Injection::failRegistry, "failed"),
                                         std::make_pair(Injection::killRegistry, "killed")}) {
            seeds["clean-install-copied-" + std::string(name) + "-" + std::to_string(call)] =
                SeedWriter().clean(0).injection(kind, call).standIn(0).extras(0, 0, 0, false, true).bytes;
            seeds["clean-uninstall-copied-" + std::string(name) + "-" + std::to_string(call)] =
                SeedWriter().clean(1).injection(kind, call).standIn(0).extras(0, 0, 0, false, true).bytes;
        }
    }
}

void addWaitedRuns(Seeds& seeds) {
    // Runs that wait for the product's uninstaller or Change (an engine's with -silent -wait and
    // "--", a quiet uninstall, Change): it completes, is cancelled, fails, or cannot start.
    for (uint8_t run = 0; run < 3; ++run) {
        const std::string name = std::string(run == 0 ? "engine" : run == 1 ? "quiet" : "change");
        const uint8_t kind = static_cast<uint8_t>(2 + run);
        seeds[name + "-completed"] = SeedWriter().clean(kind).injection().standIn(2).bytes;
        seeds[name + "-cancelled"] = SeedWriter().clean(kind).injection().standIn(kLeft1603).bytes;
        seeds[name + "-restart-pending"] = SeedWriter().clean(kind).injection().standIn(kLeft3010).bytes;
        seeds[name + "-failed-unseen"] = SeedWriter().clean(kind).injection().standIn(0x80 | kLeft1603).bytes;
        seeds[name + "-not-started"] = SeedWriter().clean(kind).injection().standIn(1).bytes;
        seeds[name + "-killed-putting-back"] =
            SeedWriter().clean(kind).injection(Injection::killRegistry, 200).standIn(kLeft1603).bytes;
    }
    // An engine's wait that could not follow every process, or ran past its -timeout.
    seeds["engine-waited-alone"] = SeedWriter().clean(2).injection().standIn(kLeft1603 | kWaitedAlone).bytes;
    seeds["engine-timed-out"] = SeedWriter().clean(2).injection().standIn(kLeft1603 | kPastTimeLimit).bytes;
}

void addNamedMachines(Seeds& seeds) {
    const Seeded& installed = kInstalled;
    const Seeded& relocated = kRelocated;
    // Switches among the older options: a -runfile path holding -wait, -guid after "--".
    seeds["switches-and-options"] = SeedWriter()
                                         .machine({relocated})
                                         .options(5).unattended(0).guid(kG0).unattended(4).tguid(kG).unattended(1)
                                         .mode(1).injection().standIn(0x80).bytes;
    // -uninstall -guid"{GUID}_0" -tguid"" where the _0 folder is gone but its key is left.
    seeds["empty-tguid"] =
        SeedWriter()
            .machine({{kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::none},
                      {kOtherGuid, KeyKind::product, 0xFF, FolderKind::product},
                      {kMsiGuid, KeyKind::foreign, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG, 6).mode(1).injection().bytes;
    // A live installation under the GUID, and an older instance's key whose folder went missing.
    seeds["live-install-and-orphaned-key"] =
        SeedWriter()
            .machine({installed, {kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    // -tguid naming another product's entry (an MSI product: a key and no folder), in both modes.
    seeds["tguid-names-msi-install"] =
        SeedWriter().machine({installed, {kMsiGuid, KeyKind::foreign, 0xFF, FolderKind::none}})
            .options(3).hwnd(0).guid(kG).tguid(kMsi).mode(0).injection().bytes;
    seeds["tguid-names-msi-uninstall"] =
        SeedWriter().machine({relocated, {kMsiGuid, KeyKind::foreign, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kMsi).mode(1).injection().bytes;
    // Names Windows changes: a trailing dot, a trailing space.
    seeds["trailing-dot"] =
        SeedWriter().machine({installed}).options(3).hwnd(0).guid(kG).tguid(kG0, 2).mode(0).injection().bytes;
    seeds["trailing-space"] =
        SeedWriter().machine({relocated}).options(2).guid(kG0).tguid(kG, 3).mode(1).injection().bytes;
    // A product command that looks like isreloc's but is not.
    seeds["lookalike-command"] =
        SeedWriter().machine({{kGuid + "_0", KeyKind::lookalikeCommand, 0xFF, FolderKind::product}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
}

void addWhatMayGiveWay(Seeds& seeds) {
    const Seeded& installed = kInstalled;
    const Seeded& relocated = kRelocated;
    // What may give way under the target name: a partial copy, isreloc's own data; and what may
    // not: an earlier instance's key whose folder went missing, which install mode's own search skips.
    seeds["stale-target"] = SeedWriter().machine({installed, {kGuid + "_0", KeyKind::stale, 0xFF, FolderKind::none}})
                                .options(2).hwnd(0).guid(kG).mode(0).injection().bytes;
    seeds["partial-copy-target"] =
        SeedWriter().machine({relocated, {kGuid, KeyKind::partialCopy, 0x5A, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    seeds["isreloc-only-target"] =
        SeedWriter().machine({relocated, {kGuid, KeyKind::isrelocOnly, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    // A failing call that leaves the run nothing to move the key with, or no way to open it once moved.
    seeds["install-uninstall-key-unopenable"] = SeedWriter().clean(0).injection(Injection::failRegistry, 39).bytes;
    seeds["install-moved-key-unopenable"] = SeedWriter().clean(0).injection(Injection::failRegistry, 79).bytes;
    // A subkey of the product's key that may not be written (nor deleted), when the key must be
    // copied because the rename failed.
    seeds["product-subkey-read-only-copied"] = SeedWriter().clean(0).injection(Injection::failRegistry, 103)
                                                   .standIn(0).extras(0, 0, kGSubkeyReadOnly, false).bytes;
    seeds["orphaned-instance-install"] =
        SeedWriter().machine({installed, {kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::none}})
            .options(2).hwnd(0).guid(kG).mode(0).injection().bytes;
    seeds["unreadable-suffix-key"] =
        SeedWriter().machine({installed, {kGuid + "_0", KeyKind::stale, 0xFF, FolderKind::none}})
            .options(2).hwnd(0).guid(kG).mode(0).injection().standIn(0).extras(0, 0, kG0Unreadable, false).bytes;
    seeds["unreadable-second-suffix-key"] =
        SeedWriter().machine({installed, {kGuid + "_0", KeyKind::stale, 0xFF, FolderKind::product},
                              {kGuid + "_1", KeyKind::stale, 0xFF, FolderKind::none}})
            .options(2).hwnd(0).guid(kG).mode(0).injection().standIn(0).extras(0, 0, kG1Unreadable, false).bytes;
}

void addExtras(Seeds& seeds) {
    // The standard runs on clean machines with what the last bytes add: an Uninstall key that may be
    // read but not written (a run not elevated, a policy), a product key that cannot be read, a run
    // started inside the folder it must move, an engine's line in UninstallString (run plainly, and
    // as the engine runs it, cancelled), names of 200, 253 and 254 characters (paths beyond
    // MAX_PATH; the last leaves no room for a suffix).
    const struct {
        const char* name;
        uint8_t kind, standIn, longName, currentDirectory, lockedKeys;
        bool engineLine;
    } extraSeeds[] = {
        {"uninstall-key-read-only-install", 0, 0, 0, 0, kUninstallReadOnly, false},
        {"uninstall-key-read-only-uninstall", 1, 0, 0, 0, kUninstallReadOnly, false},
        {"product-key-unreadable", 0, 0, 0, 0, kGUnreadable, false},
        {"install-inside-product-folder", 0, 0, 0, 1, 0, false},
        {"uninstall-inside-relocated-folder", 1, 0, 0, 1, 0, false},
        {"engine-line-uninstall", 1, 0, 0, 0, 0, true},
        {"engine-line-cancelled", 2, kLeft1603, 0, 0, 0, true},
        {"long-name-install-200", 0, 0, 200 - 189, 0, 0, false},
        {"long-name-uninstall-253", 1, 0, 253 - 189, 0, 0, false},
        {"long-name-install-254", 0, 0, 254 - 189, 0, 0, false},
    };
    for (const auto& row : extraSeeds)
        seeds[row.name] = SeedWriter().clean(row.kind).injection().standIn(row.standIn)
                              .extras(row.longName, row.currentDirectory, row.lockedKeys, row.engineLine).bytes;
}

}  // namespace
}  // namespace mode_run

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace mode_run;
    const char* folder = std::getenv("ISRELOC_MODE_FUZZ_SEEDS");
    if (folder == nullptr) return 0;
    Seeds seeds;
    addCleanRuns(seeds);
    addWaitedRuns(seeds);
    addNamedMachines(seeds);
    addWhatMayGiveWay(seeds);
    addExtras(seeds);
    mkdir(folder, 0755);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(std::string(folder) + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::exit(0);
}
