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

}  // namespace

RunNames runNames(const RegistryApi& api, const std::string& source, const std::string& target) {
    return {source, target, api.widen(source), api.widen(target)};
}

KeyMovePlan planKeyMove(const KeyMoveFacts& facts) {
    if (!facts.source) return KeyMovePlan::refuse;
    if (!facts.target) return KeyMovePlan::moveKey;
    const KeyContents& source = *facts.source;
    const KeyContents& target = *facts.target;
    const std::u16string& sourceName = facts.names.sourceInRegistry;
    const std::u16string& targetName = facts.names.targetInRegistry;
    // Erasing a key that holds nothing the other one does not hold loses nothing.
    if (holdsAllOf(source, target)) return KeyMovePlan::replaceTarget;
    // The source is then what a move that stopped part-way left of the key under the target name
    // (an empty or partial copy, or the original while it was being erased) - provided that key
    // is this product's, or the run would take another installation's key for its own.
    if (holdsAllOf(target, source) &&
        (facts.targetNameIsProducts || (!source.values.empty() && sameValues(source, target))))
        return KeyMovePlan::dropSource;
    if (holdsOnlyIsrelocData(target, source, sourceName, targetName)) return KeyMovePlan::replaceTarget;
    // A stale key under a name of this product's own is replaced, whatever it holds.
    if (facts.targetNameIsProducts) return KeyMovePlan::replaceTarget;
    return KeyMovePlan::refuse;
}

bool holdsOnlyIsrelocData(const KeyContents& key, const KeyContents& source, const std::u16string& oneName,
                          const std::u16string& otherName) {
    if (!key.complete || !key.subkeys.empty()) return false;
    for (const auto& [folded, value] : key.values) {
        bool isrelocs = false;
        for (const CommandValues& values : kCommandValues) {
            if (folded == foldNameCase(values.liveInRegistry)) {
                const std::optional<IsrelocCommand> command = isrelocCommandIn(key, value.name);
                isrelocs = command && command->names(oneName, otherName);
            } else if (folded == foldNameCase(values.savedInRegistry)) {
                // A saved command goes with the key only where the source holds it too.
                const KeyContents::Value* live = source.value(values.liveInRegistry);
                const KeyContents::Value* saved = source.value(values.savedInRegistry);
                isrelocs = value.data.empty() || (live && *live == value) || (saved && *saved == value);
            }
        }
        if (!isrelocs) return false;
    }
    return true;
}

bool isInstallTargetOfProduct(const RunNames& names) { return isSuffixNameOf(names.target, names.source); }

bool isRestoreTargetOfProduct(const RunNames& names, const std::optional<KeyContents>& sourceKey) {
    if (hasGuidForm(names.target) && isSuffixNameOf(names.source, names.target)) return true;
    if (!sourceKey) return false;
    const std::optional<IsrelocCommand> command = isrelocCommandIn(*sourceKey, kUninstallCommand.liveInRegistry);
    return command && foldNameCase(command->relocatedName) == foldNameCase(names.sourceInRegistry) &&
           foldNameCase(command->restoredName) == foldNameCase(names.targetInRegistry);
}
