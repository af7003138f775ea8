#include "relocation/product_values.h"

#include <optional>
#include <vector>

#include "relocation/isreloc_command.h"

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

// The two names of the run whose commands are handled: isreloc's command is one between them, in
// either direction; a command between other names is a product's, whatever its form.
struct RunPair {
    const std::u16string& relocated;
    const std::u16string& restored;
};

bool isIsrelocs(const StoredValue& value, const RunPair& run) {
    return value.present && isIsrelocCommandFor(value.type, value.data, run.relocated, run.restored);
}

// A product's command: there, with data, and not isreloc's for the run.
bool isProductCommand(const StoredValue& value, const RunPair& run) {
    return value.present && !value.data.empty() && !isIsrelocs(value, run);
}

StoredCommand giveCommandBack(TRegistry& registry, const CommandValues& values, const RunPair& run) {
    const StoredValue command = readStored(registry, values.live);
    const StoredValue saved = readStored(registry, values.saved);
    StoredCommand gaveWay;
    if (isIsrelocs(command, run)) gaveWay = {command.type, command.data};
    if (!isProductCommand(command, run)) {
        if (isProductCommand(saved, run)) {
            registry.writeRawValue(values.live, saved.type, saved.data);
            registry.eraseValue(values.saved);
        } else if (isIsrelocs(command, run) && !isIsrelocs(saved, run)) {
            // The product never had this command. (A saved value holding isreloc's command too
            // proves no command at all: both stay, and the read below reports it.)
            registry.eraseValue(values.live);
        }
    } else if (saved == StoredValue{true, command.type, command.data}) {
        registry.eraseValue(values.saved);
    }
    return gaveWay;
}

// What is left is read once more: a command that cannot be read, is no text, or is still
// isreloc's own is a failure to report.
RestoredCommand readRestoredCommand(TRegistry& registry, const CommandValues& values, const RunPair& run) {
    const StoredValue restored = readStored(registry, values.live);
    if (isIsrelocs(restored, run)) throw ERegistryException("Failed to set data for '" + std::string(values.live) + "'");
    if (!restored.present || restored.data.empty()) return {};
    const ValueKind kind = valueKindOf(restored.type);
    if (kind != ValueKind::textKind && kind != ValueKind::expandTextKind)
        throw ERegistryException("Invalid data type for '" + std::string(values.live) + "'");
    return {textOfData(restored.data), kind == ValueKind::expandTextKind};
}

// Whether a command that gave way in a restore may go back as it was: it is isreloc's command for
// this very move (from the restored name to the relocated one). One that names other names, as
// a hand-made entry's may, would send the entry where the product is not.
bool recordsMove(const StoredCommand& command, const std::u16string& relocatedName, const std::u16string& restoredName) {
    if (command.type != kRegSz && command.type != kRegExpandSz) return false;
    const std::optional<IsrelocCommand> parsed = parseIsrelocCommand(textOfData(command.data));
    return parsed && parsed->records(relocatedName, restoredName);
}

// The same question on a value as read before anything moves.
bool isProductCommand(const KeyContents::Value* value, const RunPair& run) {
    return value != nullptr && !value->data.empty() &&
           !isIsrelocCommandFor(value->type, value->data, run.relocated, run.restored);
}

}  // namespace

std::optional<std::string> savedCommandBesideLive(const KeyContents& key, const std::u16string& relocatedName,
                                                  const std::u16string& restoredName) {
    const RunPair run{relocatedName, restoredName};
    for (const CommandValues& values : kCommandValues) {
        const KeyContents::Value* command = key.value(values.liveInRegistry);
        const KeyContents::Value* saved = key.value(values.savedInRegistry);
        if (isProductCommand(command, run) && isProductCommand(saved, run) && !(*saved == *command))
            return std::string(values.saved);
    }
    return std::nullopt;
}

void relocateProductCommands(TRegistry& registry, const std::u16string& ownPath, const std::u16string& relocatedName,
                             const std::u16string& restoredName, const IsrelocCommands* previous) {
    const RunPair run{relocatedName, restoredName};
    for (std::size_t at = 0; at < kCommandValues.size(); ++at) {
        const CommandValues& values = kCommandValues[at];
        const StoredValue command = readStored(registry, values.live);
        if (isProductCommand(command, run)) registry.writeRawValue(values.saved, command.type, command.data);
        if (!values.alwaysRelocated && !isProductCommand(command, run) && !isIsrelocs(command, run)) continue;
        if (previous != nullptr && recordsMove((*previous)[at], relocatedName, restoredName))
            registry.writeRawValue(values.live, (*previous)[at].type, (*previous)[at].data);
        else
            registry.writeWideText(values.live,
                                   buildIsrelocCommand(values.isrelocKind, ownPath, relocatedName, restoredName));
    }
}

IsrelocCommands giveCommandsBack(TRegistry& registry, const std::u16string& relocatedName,
                                 const std::u16string& restoredName) {
    const RunPair run{relocatedName, restoredName};
    IsrelocCommands gaveWay;
    // "UninstallString" last: until it is back, the entry's main command still runs isreloc,
    // which finishes what a stopped restore began.
    for (std::size_t at = kCommandValues.size(); at-- > 0;) gaveWay[at] = giveCommandBack(registry, kCommandValues[at], run);
    return gaveWay;
}

RestoredCommands restoreProductCommands(TRegistry& registry, const std::u16string& relocatedName,
                                        const std::u16string& restoredName) {
    const RunPair run{relocatedName, restoredName};
    RestoredCommands commands;
    commands.isrelocCommands = giveCommandsBack(registry, relocatedName, restoredName);
    commands.uninstall = readRestoredCommand(registry, kUninstallCommand, run);
    commands.modify = readRestoredCommand(registry, kCommandValues[1], run);
    commands.quietUninstall = readRestoredCommand(registry, kCommandValues[2], run);
    return commands;
}
