#include "relocation/product_values.h"

#include <vector>

const std::array<CommandValues, 3> kCommandValues = {{
    {"UninstallString", "szUninstallString", u"UninstallString", u"szUninstallString",
     IsrelocCommandKind::uninstall, true},
    {"ModifyPath", "szModifyPath", u"ModifyPath", u"szModifyPath", IsrelocCommandKind::modify, false},
    {"QuietUninstallString", "szQuietUninstallString", u"QuietUninstallString", u"szQuietUninstallString",
     IsrelocCommandKind::quietUninstall, false},
}};
const CommandValues& kUninstallCommand = kCommandValues[0];

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

// A product's command: there, with data, and not one of isreloc's.
bool isProductCommand(const StoredValue& value) {
    return value.present && !value.data.empty() && !isIsrelocCommand(value);
}

RestoredCommand restoreCommand(TRegistry& registry, const CommandValues& values, std::vector<uint8_t>& isrelocCommand) {
    const StoredValue command = readStored(registry, values.live);
    if (isIsrelocCommand(command)) isrelocCommand = command.data;
    const StoredValue saved = readStored(registry, values.saved);
    if (!isProductCommand(command)) {
        if (saved.present && !saved.data.empty()) {
            registry.writeRawValue(values.live, saved.type, saved.data);
            registry.eraseValue(values.saved);
        } else if (isIsrelocCommand(command)) {
            registry.eraseValue(values.live);
        }
    } else if (saved == StoredValue{true, command.type, command.data}) {
        registry.eraseValue(values.saved);
    }
    // What is left is read once more: a command that cannot be read, is no text, or is still
    // isreloc's own is a failure to report.
    const StoredValue restored = readStored(registry, values.live);
    if (isIsrelocCommand(restored))
        throw ERegistryException("Failed to set data for '" + std::string(values.live) + "'");
    if (!restored.present || restored.data.empty()) return {};
    const ValueKind kind = valueKindOf(restored.type);
    if (kind != ValueKind::textKind && kind != ValueKind::expandTextKind)
        throw ERegistryException("Invalid data type for '" + std::string(values.live) + "'");
    return {textOfData(restored.data), kind == ValueKind::expandTextKind};
}

}  // namespace

void relocateProductCommands(TRegistry& registry, const std::u16string& ownPath, const std::u16string& relocatedName,
                             const std::u16string& restoredName, const IsrelocCommandBytes* previous) {
    for (std::size_t at = 0; at < kCommandValues.size(); ++at) {
        const CommandValues& values = kCommandValues[at];
        const StoredValue command = readStored(registry, values.live);
        if (isProductCommand(command)) registry.writeRawValue(values.saved, command.type, command.data);
        if (!values.alwaysRelocated && !isProductCommand(command) && !isIsrelocCommand(command)) continue;
        if (previous != nullptr && !(*previous)[at].empty())
            registry.writeRawValue(values.live, kRegSz, (*previous)[at]);
        else
            registry.writeWideText(values.live,
                                   buildIsrelocCommand(values.isrelocKind, ownPath, relocatedName, restoredName));
    }
}

RestoredCommands restoreProductCommands(TRegistry& registry) {
    RestoredCommands commands;
    commands.uninstall = restoreCommand(registry, kUninstallCommand, commands.isrelocCommands[0]);
    commands.modify = restoreCommand(registry, kCommandValues[1], commands.isrelocCommands[1]);
    commands.quietUninstall = restoreCommand(registry, kCommandValues[2], commands.isrelocCommands[2]);
    return commands;
}
