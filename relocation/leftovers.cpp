#include "relocation/leftovers.h"

#include "platform/registry/name_case.h"
#include "relocation/isreloc_command.h"
#include "relocation/names.h"
#include "relocation/product_values.h"

namespace {

// The values of two keys are the same names with the same types and bytes.
bool sameValues(const KeyContents& left, const KeyContents& right) {
    return left.complete && right.complete && left.values == right.values;
}

// No subkeys, and no values but isreloc's commands for these names in the command values and, in
// the saved values, commands that the source holds as well (in the same pair of values), so that
// erasing the key loses no command.
bool holdsOnlyIsrelocData(const KeyContents& key, const KeyContents& source, const RunNames& names) {
    if (!key.complete || !key.subkeys.empty()) return false;
    for (const auto& [folded, value] : key.values) {
        bool isrelocs = false;
        for (const CommandValues& values : kCommandValues) {
            if (folded == foldNameCase(values.liveInRegistry)) {
                const std::optional<IsrelocCommand> command = isrelocCommandIn(key, value.name);
                isrelocs = command && command->names(names.sourceInRegistry, names.targetInRegistry);
            } else if (folded == foldNameCase(values.savedInRegistry)) {
                const KeyContents::Value* live = source.value(values.liveInRegistry);
                const KeyContents::Value* saved = source.value(values.savedInRegistry);
                isrelocs = value.data.empty() || (live && *live == value) || (saved && *saved == value);
            }
        }
        if (!isrelocs) return false;
    }
    return true;
}

// Whether one of the key's command values holds isreloc's command and it is the one wanted.
template <typename Wanted>
bool holdsIsrelocCommand(const KeyContents& key, Wanted wanted) {
    for (const CommandValues& values : kCommandValues) {
        const std::optional<IsrelocCommand> command = isrelocCommandIn(key, values.liveInRegistry);
        if (command && wanted(*command)) return true;
    }
    return false;
}

}  // namespace

RunNames runNames(const RegistryApi& api, const std::string& source, const std::string& target) {
    return {source, target, api.widen(source), api.widen(target)};
}

RunNames reversed(const RunNames& names) {
    return {names.target, names.source, names.targetInRegistry, names.sourceInRegistry};
}

KeyMovePlan planKeyMove(const KeyMoveFacts& facts) {
    if (!facts.source) return KeyMovePlan::refuse;
    if (!facts.target) return KeyMovePlan::moveKey;
    const KeyContents& source = *facts.source;
    const KeyContents& target = *facts.target;
    // Erasing a key that holds nothing the other one does not hold loses nothing.
    if (holdsAllOf(source, target)) return KeyMovePlan::replaceTarget;
    if (holdsOnlyIsrelocData(target, source, facts.names)) return KeyMovePlan::replaceTarget;
    const bool targetIsTheProducts =
        holdsIsrelocCommandFor(target, facts.names) || (!source.values.empty() && sameValues(source, target));
    if (holdsAllOf(target, source) && targetIsTheProducts) return KeyMovePlan::dropSource;
    return KeyMovePlan::refuse;
}

bool recordsRestore(const KeyContents& key, const RunNames& names) {
    return holdsIsrelocCommand(key, [&](const IsrelocCommand& command) {
        return command.records(names.sourceInRegistry, names.targetInRegistry);
    });
}

bool holdsIsrelocCommandFor(const KeyContents& key, const RunNames& names) {
    return holdsIsrelocCommand(key, [&](const IsrelocCommand& command) {
        return command.names(names.sourceInRegistry, names.targetInRegistry);
    });
}
