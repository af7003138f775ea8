#pragma once
// A machine whose mode runs go through the two switches (registry kill switch, services
// switch), and the checks made on it after a run that a failure or a kill cut short.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "case_blind_services.h"
#include "mode_fixture.h"
#include "registry_kill_switch.h"
#include "services_switch.h"

// The installer window install mode waits for: alive at the first look, gone at the second.
constexpr int32_t kInstallerWindow = 77;
// What Windows hands the program when it runs the command install mode writes; also the run
// that brings a product back after a failed run.
inline const std::string kRecoveryArguments =
    std::string("-uninstall -guid\"") + kProductGuid + "_0\" -tguid\"" + kProductGuid + "\"";

class InjectionMachine : public ModeMachine {
public:
    InjectionMachine() : caseBlind(services), servicesSwitch(caseBlind, life), registrySwitch(registry, life) {}

    // One run of a mode through the switches; what escaped it is left to the caller.
    void runThroughSwitches(const std::string& arguments, void (*mode)(ModeContext&)) {
        runMode(arguments, mode, servicesSwitch, registrySwitch);
    }
    // A run with nothing injected, on fresh switches, as a later start of the program would be.
    // Gives the text of anything that escaped it, empty when nothing did.
    std::string runUnswitched(const std::string& arguments, void (*mode)(ModeContext&)) {
        try {
            runMode(arguments, mode, caseBlind, registry);
        } catch (const Exception& failure) {
            return std::string(failure.className()) + ": " + failure.message();
        } catch (const std::exception& failure) {
            return failure.what();
        }
        return std::string();
    }

    // The folder below the maintenance root whose name matches regardless of case, as Windows
    // finds it; empty when there is none.
    std::optional<std::string> productDirectory(const std::string& name) const {
        const std::string path = caseBlind.existingSpelling(kMaintenanceRoot + name);
        if (!directoryExists(path)) return std::nullopt;
        return path;
    }
    bool productDirectoryComplete(const std::string& name) const {
        const std::optional<std::string> path = productDirectory(name);
        return path && fileExists(*path + "\\setup.exe") && fileExists(*path + "\\data1.cab");
    }

    // What a run leaves behind, compared whole: every uninstall entry, every file under the
    // maintenance root, and every program started.
    struct Footprint {
        KeySnapshot uninstallEntries;
        std::vector<std::string> files;
        std::vector<std::string> launched;
        bool operator==(const Footprint& other) const {
            return uninstallEntries == other.uninstallEntries && files == other.files && launched == other.launched;
        }
    };
    Footprint footprint() {
        Footprint print;
        print.uninstallEntries = snapshotKey(registry, kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
        const std::filesystem::path root = services.hostPath(kMaintenanceRoot);
        std::error_code error;
        for (auto entry = std::filesystem::recursive_directory_iterator(root, error);
             !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error))
            print.files.push_back(std::filesystem::relative(entry->path(), root).string());
        std::sort(print.files.begin(), print.files.end());
        print.launched = services.launchedCommands();
        return print;
    }

    RunLife life;
    CaseBlindServices caseBlind;
    ServicesSwitch servicesSwitch;
    RegistryKillSwitch registrySwitch;
};

// Whether key holds every value (type and bytes) and every subkey of wanted, at every level.
inline bool holdsAllOf(const KeySnapshot& key, const KeySnapshot& wanted) {
    if (!key.exists) return false;
    for (const auto& [name, value] : wanted.values) {
        const auto found = key.values.find(name);
        if (found == key.values.end() || !(found->second == value)) return false;
    }
    for (const auto& [name, subkey] : wanted.subkeys) {
        const auto found = key.subkeys.find(name);
        if (found == key.subkeys.end() || !holdsAllOf(found->second, subkey)) return false;
    }
    return true;
}
