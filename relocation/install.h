#pragma once
#include "relocation/mode_context.h"
#include "relocation/product_values.h"

// Install mode: once the installer's window is gone, moves the product's maintenance directory
// and uninstall key from its GUID to a free target name, keeps the product's own uninstall
// command in "szUninstallString" and makes "UninstallString" run isreloc in uninstall mode.
// Every expected problem ends with one box, before anything moves where it can be foreseen; a
// step that cannot be done has the steps before it undone first, so that key and folder are
// under one name and the entry runs. Registry failures escape as ERegistryException, after the
// same undoing.
void relocateInstallation(ModeContext& context);

// The move itself, once the names are known: the product's directory and key from source to
// target below the maintenance root, its commands kept and isreloc's written. Install mode runs it
// after choosing the target; uninstall and modify mode run it to put a product that is still
// installed back under the name it was relocated to. Boxes and failures as install mode's.
void relocateProduct(ModeContext& context, TRegistry& registry, const std::u16string& root, const std::string& source,
                     const std::string& target, const IsrelocCommands* previousCommands = nullptr);
