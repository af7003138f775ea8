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

// What to do with the product key when it moves from one name to the other.
enum class KeyMovePlan {
    moveKey,        // nothing under the target name: the key moves
    replaceTarget,  // the key under the target name is a leftover of this product: it goes first
    dropSource,     // the source is what an interrupted move left behind of the target: only it goes
    refuse,         // the key under the target name is not provably this product's: nothing changes
};

// The facts a plan rests on: the two keys as read (nothing for a missing one), the run's names,
// and whether the target name provably belongs to this product in a place where its key can only
// be stale (no folder of that name: the mode has checked).
struct KeyMoveFacts {
    std::optional<KeyContents> source;
    std::optional<KeyContents> target;
    RunNames names;
    bool targetNameIsProducts = false;
};

// With a source key present:
// - no target key: the key moves;
// - a target holding nothing the source does not hold (a partial copy, an empty key): the target
//   is a leftover and goes first;
// - a source holding nothing the target does not hold, where the target is provably this
//   product's key (its name is the product's, or its values are exactly the source's): the source
//   is what an interrupted move left behind, and only the source goes;
// - a target holding only isreloc's own data for this product (its command for these two names,
//   and a saved command the source holds too): the target goes first;
// - a target name that provably belongs to this product (its key there is stale, and is replaced
//   whatever it holds);
// - anything else: refused. A key that could not be read whole proves nothing.
KeyMovePlan planKeyMove(const KeyMoveFacts& facts);

// Whether a key holds only isreloc's own data for the product moved between the two names: no
// subkeys, and no values but isreloc's commands for these names in the command values and, in the
// saved values, commands that the source key holds as well (in the same pair of values), so that
// erasing the key loses no command.
bool holdsOnlyIsrelocData(const KeyContents& key, const KeyContents& source, const std::u16string& oneName,
                          const std::u16string& otherName);

// The names that provably belong to the product. Install mode: the names its suffix search makes
// for the product's GUID. Uninstall mode: the relocated name's GUID part ({GUID}_n -> {GUID}), or
// the name recorded in the relocated key's own isreloc command.
bool isInstallTargetOfProduct(const RunNames& names);
bool isRestoreTargetOfProduct(const RunNames& names, const std::optional<KeyContents>& sourceKey);
