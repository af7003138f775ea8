#pragma once
// A machine whose mode runs go through the two switches (registry kill switch, services
// switch), and the checks made on it after a run that a failure or a kill cut short.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "case_blind_services.h"
#include "entry_promise.h"
#include "mode_fixture.h"
#include "registry_kill_switch.h"
#include "services_switch.h"

// The installer window install mode waits for: alive at the first look, gone at the second.
constexpr int32_t kInstallerWindow = 77;

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

    // What a run leaves behind: the whole registry, every folder and file on the drive with its
    // bytes, every program started; with the product's key and folder under the given names left
    // out, what the run must not touch.
    struct Footprint {
        KeySnapshot registry;
        std::vector<std::string> files;
        std::vector<std::string> launched;
        bool sameMachine(const Footprint& other) const { return registry == other.registry && files == other.files; }
        bool operator==(const Footprint& other) const { return sameMachine(other) && launched == other.launched; }
    };
    Footprint footprint(const std::vector<std::string>& productNames = {}) {
        Footprint print;
        print.registry = snapshotKey(registry, kLocalMachine, "");
        KeySnapshot* entries = &print.registry;
        for (const char* name : {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "Uninstall"}) {
            const auto found = entries->subkeys.find(registry.widen(name));
            entries = found == entries->subkeys.end() ? &print.registry : &found->second;
        }
        const auto isProducts = [&](const std::u16string& entry) {
            for (const std::string& name : productNames)
                if (entry_promise::namesMatch(registry.narrow(entry), name)) return true;
            return false;
        };
        for (auto entry = entries->subkeys.begin(); entry != entries->subkeys.end();)
            entry = isProducts(entry->first) ? entries->subkeys.erase(entry) : std::next(entry);
        auto& listed = entries->subkeysListed;
        listed.erase(std::remove_if(listed.begin(), listed.end(), isProducts), listed.end());

        const std::filesystem::path drive = services.hostPath("C:\\");
        std::vector<std::string> productFolders;
        for (const std::string& name : productNames)
            productFolders.push_back(entry_promise::lowered(
                std::filesystem::relative(services.hostPath(kMaintenanceRoot + name), drive).generic_string()));
        std::error_code error;
        for (auto entry = std::filesystem::recursive_directory_iterator(drive, error);
             !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
            const std::string path = std::filesystem::relative(entry->path(), drive).generic_string();
            bool products = false;
            for (const std::string& folder : productFolders)
                products = products || entry_promise::lowered(path + "/").rfind(folder + "/", 0) == 0;
            if (products) continue;
            if (entry->is_directory()) {
                print.files.push_back(path + "/");
                continue;
            }
            std::ifstream file(entry->path(), std::ios::binary);
            print.files.push_back(path + " " + std::string(std::istreambuf_iterator<char>(file), {}));
        }
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
