#pragma once
// A move cut short (a run killed, a power cut) leaves a product between two names: its folder
// already under the name the move went to, its key still under the other, or under both (a
// partial copy beside the whole). Its entry still runs isreloc, which finds it; but install mode,
// looking only under the product's own name, would move the partial copy, or leave the product
// listed twice. So before install mode moves anything, such a move is finished first: the key
// follows the folder, since every move moves the folder before the key.
#include <optional>
#include <string>

#include "relocation/mode_context.h"

// Finds whether a key holds isreloc's command for the product's name together with another name
// (the run's given target when there is one: a run changes nothing under any other name), in the
// product's own key or in the key under that name, and where the product's folder is under one of
// the two names and its key is not under that name alone, moves the key there by the rules of any
// key move: a partial copy gives way to the whole, a source left over after its copy goes.
// Untouched when the folder is under both names or neither (two instances, or no move), or when
// the two keys are different (an instance whose folder went missing, beside the product).
struct InterruptedMove {
    bool refused = false;  // after the box: the evidence does not prove which key is the product's
    std::string otherName;  // the name the finished move went to or came from; empty when none was
};
InterruptedMove finishInterruptedMove(ModeContext& context, TRegistry& registry, const std::u16string& root,
                                      const std::string& product, const std::optional<std::string>& givenTarget);
