#pragma once
// Whether a product is installed under a name: the one answer to that question for every mode.
#include <string>

#include "relocation/mode_context.h"

// What there is of a product under a name: its uninstall key (there and readable), and the marker
// file setup.exe in its maintenance folder.
struct ProductPresence {
    bool key = false;
    bool markerFile = false;
    // Whether the product is installed under the name: the one answer to that question.
    bool installed() const { return key && markerFile; }
};
ProductPresence productPresence(ModeContext& context, TRegistry& registry, const std::u16string& root,
                                const std::string& productName);
