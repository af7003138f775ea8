#pragma once
// A machine for the two modes: an in-memory registry, real directories under a scratch folder
// (served as drive C: by PosixServices), and a product installed the way an installer leaves it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"
#include "registry_snapshot.h"
#include "relocation/install.h"
#include "relocation/uninstall.h"
#include "services_switch.h"
#include "tests/support/memory_registry.h"
#include "tests/support/services_posix.h"

constexpr const char* kProductGuid = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
constexpr const char* kProgramFiles = "C:\\Program Files";
constexpr const char* kMaintenanceRoot = "C:\\Program Files\\InstallShield Installation Information\\";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kOwnPath = "C:\\Tools\\isreloc.exe";
constexpr const char* kProductCommand =
    "\"C:\\Program Files\\InstallShield Installation Information\\{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"
    "\\setup.exe\" -runfromtemp -l0x0409 -removeonly";

// A text of 8-bit characters as UTF-16, one unit per byte (the store's ANSI code page).
inline std::u16string latin1(const std::string& text) {
    std::u16string wide;
    for (const char c : text) wide.push_back(static_cast<unsigned char>(c));
    return wide;
}

class ModeMachine {
public:
    ModeMachine() : root_(makeRoot()), services(root_) {}
    ~ModeMachine() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ModeMachine(const ModeMachine&) = delete;
    ModeMachine& operator=(const ModeMachine&) = delete;

    // ProgramFilesDir as Windows keeps it, the maintenance directory with its setup.exe, and an
    // uninstall key holding every kind of value, a default value and subkeys three levels deep.
    void installProduct(const std::string& name = kProductGuid) {
        setProgramFilesDir(kProgramFiles);
        placeFile(directory(name) + "\\setup.exe", "MZ");
        placeFile(directory(name) + "\\data1.cab", "cab");
        const std::string key = std::string(kUninstallKey) + name;
        setValue(key, "UninstallString", kRegSz, textBytes(kProductCommand));
        setValue(key, "DisplayName", kRegSz, textBytes("Sample Product"));
        setValue(key, "InstallLocation", kRegExpandSz, textBytes("%ProgramFiles%\\Sample"));
        setValue(key, "EstimatedSize", kRegDword, {0x10, 0x27, 0, 0});
        setValue(key, "Blob", kRegBinary, {0, 1, 2, 0xff});
        setValue(key, "Languages", kRegMultiSz, {'e', 0, 'n', 0, 0, 0, 'd', 0, 'e', 0, 0, 0, 0, 0});
        setValue(key, "", kRegSz, textBytes("default"));
        setValue(key, "Empty", kRegSz, {});
        setValue(key + "\\Level1\\Level2\\Level3", "Deep", kRegDword, {1, 0, 0, 0});
        setValue(key + "\\Level1", "Name", kRegSz, textBytes("one"));
    }

    // A file with its folder and the folders above it.
    void placeFile(const std::string& windowsPath, const std::string& contents) {
        services.makeDirectory(windowsPath.substr(0, windowsPath.rfind('\\')));
        services.makeFile(windowsPath, contents);
    }

    void setProgramFilesDir(const std::string& value, uint32_t type = kRegSz) {
        setValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", type, textBytes(value));
    }

    // Writes a value through the wide calls, creating its key.
    void setValue(const std::string& keyPath, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
        RegistryHandle key = kNoKey;
        ASSERT_EQ(registry.regCreateKeyExW(kLocalMachine, registry.widen(keyPath).c_str(), kKeyAllAccess, &key), 0);
        registry.regSetValueExW(key, registry.widen(name).c_str(), type, data.data(), static_cast<uint32_t>(data.size()));
        registry.regCloseKey(key);
    }

    // The string as REG_SZ data: UTF-16LE with its terminator.
    std::vector<uint8_t> textBytes(const std::string& text) {
        std::vector<uint8_t> bytes;
        for (char16_t c : registry.widen(text)) {
            bytes.push_back(static_cast<uint8_t>(c & 0xff));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        return bytes;
    }

    std::vector<uint8_t> wideTextBytes(const std::u16string& text) {
        std::vector<uint8_t> bytes;
        for (char16_t c : text + u'\0') {
            bytes.push_back(static_cast<uint8_t>(c & 0xff));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        return bytes;
    }

    KeySnapshot productKey(const std::string& name) {
        return snapshotKey(registry, kLocalMachine, std::string(kUninstallKey) + name);
    }
    // A value of a snapshot that outlives the pointer; null when the value is missing.
    const ValueSnapshot* value(const KeySnapshot& key, const std::string& name) {
        const auto found = key.values.find(registry.widen(name));
        return found == key.values.end() ? nullptr : &found->second;
    }
    const ValueSnapshot* value(KeySnapshot&& key, const std::string& name) = delete;

    std::string directory(const std::string& name) const { return kMaintenanceRoot + name; }
    bool directoryExists(const std::string& windowsPath) const {
        return std::filesystem::is_directory(services.hostPath(windowsPath));
    }
    bool fileExists(const std::string& windowsPath) const {
        return std::filesystem::is_regular_file(services.hostPath(windowsPath));
    }

    // Runs a mode as the program would: the arguments after the program path, lowercased.
    void runInstall(const std::string& arguments) { run(arguments, relocateInstallation); }
    void runUninstall(const std::string& arguments) { run(arguments, restoreInstallation); }

    // Makes every directory move fail.
    bool failMoves = false;
    std::function<std::unique_ptr<TRegistry>(RegistryApi&)> createRegistry =
        [](RegistryApi& api) { return std::make_unique<TRegistry>(api); };

    // Runs a mode on the given services and registry calls, which may wrap the machine's own.
    void runMode(const std::string& arguments, void (*mode)(ModeContext&), Services& modeServices,
                 RegistryApi& registryApi) {
        FixedCommandLine commandLine("isreloc.exe " + arguments, kOwnPath);
        ArgumentList list;
        std::vector<std::u16string> written;
        for (const WideArgument& argument : commandLine.arguments()) {
            list.append(lowerAscii(commandLine.narrow(argument.argument)));
            written.push_back(argument.argument);
        }
        ModeContext context{list, modeServices, registryApi, latin1(kOwnPath), createRegistry};
        context.writtenArguments = written;
        mode(context);
    }

private:
    void run(const std::string& arguments, void (*mode)(ModeContext&)) {
        RunLife life;
        ServicesSwitch modeServices(services, life);
        if (failMoves) modeServices.failEvery(ServiceCall::moveDirectory);
        runMode(arguments, mode, modeServices, registry);
    }

    static std::string makeRoot() {
        std::string pattern = (std::filesystem::temp_directory_path() / "isreloc-modes-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
        return pattern;
    }

    std::string root_;

public:
    MemoryRegistry registry;
    PosixServices services;
};

// One fresh machine per test.
class ModeFixture : public ::testing::Test, public ModeMachine {};
