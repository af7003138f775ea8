#include "relocation/interrupted_restore.h"

#include "relocation/isreloc_command.h"
#include "relocation/product_values.h"

namespace {

bool holdsCommandFor(const KeyContents& key, const RunNames& names) {
    const auto command = isrelocCommandIn(key, kCommandValue);
    return command && command->names(names.sourceInRegistry, names.targetInRegistry);
}

// The last step of a restore writes the saved command over isreloc's, then drops the saved one.
bool holdsCommandTwice(const KeyContents& key) {
    const KeyContents::Value* command = key.value(kCommandValue);
    const KeyContents::Value* saved = key.value(kSavedCommandValue);
    return command != nullptr && saved != nullptr && !command->data.empty() && *command == *saved;
}

}  // namespace

bool restoreWasInterrupted(const KeyMoveFacts& facts) {
    if (facts.source) {
        // The folder under the restored name is there, so a key under that name is no stale one.
        KeyMoveFacts withoutStaleName = facts;
        withoutStaleName.targetNameIsProducts = false;
        const KeyMovePlan plan = planKeyMove(withoutStaleName);
        if (plan == KeyMovePlan::moveKey) return holdsCommandFor(*facts.source, facts.names);
        return plan != KeyMovePlan::refuse;
    }
    return facts.target && (holdsCommandFor(*facts.target, facts.names) || holdsCommandTwice(*facts.target));
}
