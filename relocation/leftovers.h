#pragma once
// What a run may erase: the one place that decides it, for both modes. isreloc changes only the
// product's folder and key under the two names of a run and the values it owns in that key; of
// those it erases only what is provably a leftover of the same product. Anything else under a
// name the run needs is in the way, and the run is refused before anything moves.
#include <optional>
#include <string>

#include "platform/registry/registry_api.h"
#include "relocation/key_contents.h"

// The two names of a run: as the command line gave them (8-bit), and as the registry spells them.
struct RunNames {
    std::string source;
    std::string target;
    std::u16string sourceInRegistry;
    std::u16string targetInRegistry;
};
RunNames runNames(const RegistryApi& api, const std::string& source, const std::string& target);
// The same names the other way round, for a move undone.
RunNames reversed(const RunNames& names);

// What to do with the product key when it moves from one name to the other.
enum class KeyMovePlan {
    moveKey,        // nothing under the target name: the key moves
    replaceTarget,  // the key under the target name is a leftover of this product: it goes first
    dropSource,     // the source is what an interrupted move left behind of the target: only it goes
    refuse,         // the key under the target name is not provably this product's: nothing changes
};

// The two keys as read (nothing for a missing one) and the run's names.
struct KeyMoveFacts {
    std::optional<KeyContents> source;
    std::optional<KeyContents> target;
    RunNames names;
};

// With a source key present:
// - no target key: the key moves;
// - a target holding nothing the source does not hold (a partial copy, an empty key): the target
//   is a leftover and goes first;
// - a target holding only isreloc's own data for this product (its command for these two names,
//   and saved commands the source holds too): the target goes first;
// - a source holding nothing the target does not hold, where the target is provably this
//   product's key (it holds isreloc's command for these two names, or its own values are exactly
//   the source's): the source is what a move that stopped while erasing it left behind, and only
//   the source goes;
// - anything else is somebody's: refused. A key that could not be read whole proves nothing, and
//   a name being one the product could use proves nothing either: an earlier instance whose
//   folder went missing keeps its entry.
KeyMovePlan planKeyMove(const KeyMoveFacts& facts);

// Whether the key holds isreloc's command for these two names, in either direction, in one of its
// command values: the key is this product's, relocated or part-way.
bool holdsIsrelocCommandFor(const KeyContents& key, const RunNames& names);
// Whether the key holds isreloc's command for moving the product back from the run's source name
// to its target name: the relocation this restore undoes.
bool recordsRestore(const KeyContents& key, const RunNames& names);
