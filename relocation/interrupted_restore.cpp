#include "relocation/interrupted_restore.h"

#include "relocation/product_values.h"

namespace {

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
        const KeyMovePlan plan = planKeyMove(facts);
        if (plan == KeyMovePlan::moveKey) return holdsIsrelocCommandFor(*facts.source, facts.names);
        return plan != KeyMovePlan::refuse;
    }
    return facts.target && (holdsIsrelocCommandFor(*facts.target, facts.names) || holdsCommandTwice(*facts.target));
}
