#include "relocation/interrupted_restore.h"

#include "relocation/isreloc_command.h"
#include "relocation/product_values.h"

namespace {

// isreloc's command for these two names in any of the command values.
bool holdsCommandFor(const KeyContents& key, const RunNames& names) {
    for (const CommandValues& values : kCommandValues) {
        const auto command = isrelocCommandIn(key, values.liveInRegistry);
        if (command && command->names(names.sourceInRegistry, names.targetInRegistry)) return true;
    }
    return false;
}

// The last step of a command's restore writes the saved command over isreloc's, then drops the
// saved one: in between, a command and its saved value are the same.
bool holdsCommandTwice(const KeyContents& key) {
    for (const CommandValues& values : kCommandValues) {
        const KeyContents::Value* command = key.value(values.liveInRegistry);
        const KeyContents::Value* saved = key.value(values.savedInRegistry);
        if (command != nullptr && saved != nullptr && !command->data.empty() && *command == *saved) return true;
    }
    return false;
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
