#include "product_tree.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "fixture.h"
#include "unique_handle.h"

const char* const kBenchGuid = "{B3A1C5D7-0E2F-4A6B-8C9D-1E2F3A4B5C6D}";

namespace {

const char* const kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kProgramFilesValue = "ProgramFilesDir";

bool setValue(HKEY key, const std::string& name, DWORD type, const void* data, std::size_t size) {
    return RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
           ERROR_SUCCESS;
}

bool setText(HKEY key, const std::string& name, const std::string& text, DWORD type = REG_SZ) {
    return setValue(key, name, type, text.c_str(), text.size() + 1);
}

// One value of the kinds a component key holds: paths, expandable paths, flags and blobs.
bool setComponentValue(HKEY key, int index) {
    const std::string name = "Value" + std::to_string(index);
    switch (index % 4) {
    case 0:
        return setText(key, name, "C:\\Program Files\\Sample Product\\bin\\module" + std::to_string(index) + ".dll");
    case 1:
        return setText(key, name, "%ProgramFiles%\\Sample Product\\data\\file" + std::to_string(index) + ".dat",
                       REG_EXPAND_SZ);
    case 2: {
        const DWORD flag = static_cast<DWORD>(index);
        return setValue(key, name, REG_DWORD, &flag, sizeof flag);
    }
    default: {
        std::vector<BYTE> blob(16, static_cast<BYTE>(index));
        return setValue(key, name, REG_BINARY, blob.data(), blob.size());
    }
    }
}

int64_t countValuesBelow(HKEY key) {
    DWORD subkeys = 0, values = 0, longestSubkey = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    int64_t total = values;
    std::vector<char> name(longestSubkey + 1);
    for (DWORD index = 0; index < subkeys; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        UniqueRegistryKey subkey;
        if (RegOpenKeyExA(key, name.data(), 0, KEY_READ, subkey.receive()) == ERROR_SUCCESS)
            total += countValuesBelow(subkey.get());
    }
    return total;
}

}  // namespace

std::string uninstallKeyPath(const std::string& name) {
    return std::string(kCurrentVersionKey) + "\\Uninstall\\" + name;
}

int seedProductKey(const std::string& keyPath, const TreeShape& shape) {
    UniqueRegistryKey product;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        product.receive(), nullptr) != ERROR_SUCCESS)
        return 0;
    const DWORD estimatedSize = 20480;
    const bool ownValues =
        setText(product.get(), "DisplayName", "Sample Product") && setText(product.get(), "DisplayVersion", "1.0.0") &&
        setText(product.get(), "Publisher", "Sample Publisher") &&
        setText(product.get(), "UninstallString",
                std::string("\"C:\\Program Files\\InstallShield Installation Information\\") + kBenchGuid +
                    "\\setup.exe\" -runfromtemp -l0x0409 -removeonly") &&
        setValue(product.get(), "EstimatedSize", REG_DWORD, &estimatedSize, sizeof estimatedSize);
    if (!ownValues) return 0;
    int written = 5;
    for (int subkeyIndex = 0; subkeyIndex < shape.subkeys; ++subkeyIndex) {
        UniqueRegistryKey component;
        const std::string name = "Components\\Component" + std::to_string(subkeyIndex);
        if (RegCreateKeyExA(product.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            component.receive(), nullptr) != ERROR_SUCCESS)
            return 0;
        for (int value = 0; value < shape.valuesPerSubkey; ++value) {
            if (!setComponentValue(component.get(), value)) return 0;
            ++written;
        }
    }
    return written;
}

std::optional<int64_t> countTreeValues(const std::string& keyPath) {
    UniqueRegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, key.receive()) != ERROR_SUCCESS)
        return std::nullopt;
    return countValuesBelow(key.get());
}

ScratchProgramFiles::ScratchProgramFiles(std::string folder)
    : folder_(std::move(folder)), original_(readMachineText(kCurrentVersionKey, kProgramFilesValue)) {
    removeDirectoryTree(folder_);
    ready_ = makeDirectories(maintenanceRoot()) && writeMachineText(kCurrentVersionKey, kProgramFilesValue, folder_);
}

ScratchProgramFiles::~ScratchProgramFiles() {
    if (original_)
        writeMachineText(kCurrentVersionKey, kProgramFilesValue, *original_);
    else
        deleteMachineValue(kCurrentVersionKey, kProgramFilesValue);
    removeDirectoryTree(folder_);
}

std::string ScratchProgramFiles::maintenanceRoot() const {
    return folder_ + "\\InstallShield Installation Information\\";
}

bool ScratchProgramFiles::makeMaintenanceDirectory(const std::string& name) const {
    const std::string directory = maintenanceRoot() + name;
    return makeDirectories(directory) && writeFileText(directory + "\\setup.exe", "stands in for the product's setup");
}

void ScratchProgramFiles::removeMaintenanceDirectories() const {
    removeDirectoryTree(maintenanceRoot());
    makeDirectories(maintenanceRoot());
}
