#pragma once
// Whether a product is installed under a name: the one answer to that question for every mode.
#include <string>

#include "relocation/key_probe.h"
#include "relocation/mode_context.h"

// What there is of a product under a name: its uninstall key (absent, present or unreadable), and
// the marker file setup.exe in its maintenance folder.
struct ProductPresence {
    KeyProbe key = KeyProbe::absent;
    bool markerFile = false;
    // Whether the product is installed under the name: the one answer to that question.
    bool installed() const { return key == KeyProbe::present && markerFile; }
    // A key that cannot be read leaves the question open: never "not installed".
    bool unknown() const { return key == KeyProbe::unreadable; }
};
ProductPresence productPresence(ModeContext& context, const std::u16string& root, const std::string& productName);
