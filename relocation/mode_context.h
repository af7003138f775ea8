#pragma once
// What a mode run is given: the argument list, the system it works on, and its own path.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/registry_api.h"
#include "platform/services/services.h"
#include "platform/text/string_list.h"
#include "relocation/run_outcome.h"

// The lowercased command-line arguments after the program path, in command-line order.
using ArgumentList = TStringList;

// How the program a mode starts is started, as the unattended switches ask.
struct StartSettings {
    // Wait until it and every process it starts have ended (-wait, -quiet, and modify mode).
    bool wait = false;
    // Start the product's quiet uninstall command instead of its uninstall command (-quiet).
    bool quiet = false;
    // How long the wait may last (-timeout); empty for as long as it takes.
    std::optional<uint32_t> timeLimitSeconds;
};

struct ModeContext {
    const ArgumentList& arguments;
    Services& services;
    RegistryApi& registryApi;
    // The program's own full path, written into the uninstall command; in UTF-16, so that a
    // folder name the ANSI code page cannot spell is written as it is.
    std::u16string ownPath;
    // Makes the mode's registry object; tests replace it to see what happens when that fails.
    std::function<std::unique_ptr<TRegistry>(RegistryApi&)> createRegistry =
        [](RegistryApi& api) { return std::make_unique<TRegistry>(api); };
    StartSettings start = StartSettings();
    // Each entry of the argument list as written, in UTF-16 and in its own letter case, for the
    // values that must arrive as written (a program to run); empty when the caller has only the
    // 8-bit list, whose entries are then widened.
    std::vector<std::u16string> writtenArguments = {};
    // How the run ended, noted by its boxes and starts.
    RunOutcome outcome = RunOutcome();
};
