#include "relocation/product_values.h"

#include <vector>

#include "relocation/isreloc_command.h"

const char* const kUninstallStringValue = "UninstallString";
const char* const kSavedUninstallStringValue = "szUninstallString";
const std::u16string kCommandValue = u"UninstallString";
const std::u16string kSavedCommandValue = u"szUninstallString";

namespace {

struct StoredValue {
    bool present = false;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    bool operator==(const StoredValue& other) const {
        return present == other.present && type == other.type && data == other.data;
    }
};

StoredValue readStored(TRegistry& registry, const std::string& name) {
    StoredValue value;
    value.present = registry.readRawValue(name, value.type, value.data);
    return value;
}

bool isIsrelocCommand(const StoredValue& value) {
    return value.present && value.type == kRegSz && parseIsrelocCommand(textOfData(value.data)).has_value();
}

ERegistryException failedToSet(const char* name) {
    return ERegistryException("Failed to set data for '" + std::string(name) + "'");
}

}  // namespace

void keepProductCommand(TRegistry& registry) {
    const StoredValue command = readStored(registry, kUninstallStringValue);
    if (!command.present || command.data.empty() || isIsrelocCommand(command)) return;
    registry.writeRawValue(kSavedUninstallStringValue, command.type, command.data);
}

RestoredCommand restoreProductCommand(TRegistry& registry) {
    const StoredValue command = readStored(registry, kUninstallStringValue);
    const StoredValue saved = readStored(registry, kSavedUninstallStringValue);
    const bool productCommand = command.present && !command.data.empty() && !isIsrelocCommand(command);
    if (!productCommand) {
        if (saved.present && !saved.data.empty()) {
            registry.writeRawValue(kUninstallStringValue, saved.type, saved.data);
            registry.eraseValue(kSavedUninstallStringValue);
        } else if (isIsrelocCommand(command)) {
            registry.eraseValue(kUninstallStringValue);
        }
    } else if (saved == StoredValue{true, command.type, command.data}) {
        registry.eraseValue(kSavedUninstallStringValue);
    }
    // What is left is read once more: a command that cannot be read, is no text, or is still
    // isreloc's own is a failure to report, never a run that silently starts nothing or itself.
    const StoredValue restored = readStored(registry, kUninstallStringValue);
    if (isIsrelocCommand(restored)) throw failedToSet(kUninstallStringValue);
    if (!restored.present || restored.data.empty()) return {};
    const ValueKind kind = valueKindOf(restored.type);
    if (kind != ValueKind::textKind && kind != ValueKind::expandTextKind)
        throw ERegistryException("Invalid data type for '" + std::string(kUninstallStringValue) + "'");
    return {textOfData(restored.data), kind == ValueKind::expandTextKind};
}
