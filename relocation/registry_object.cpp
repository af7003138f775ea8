#include "relocation/registry_object.h"

#include "relocation/boxes.h"

std::unique_ptr<TRegistry> openRegistryObject(ModeContext& context) {
    std::unique_ptr<TRegistry> registry;
    try {
        registry = context.createRegistry(context.registryApi);
    } catch (...) {
    }
    if (!registry) {
        showRegistryUnavailable(context);
        return nullptr;
    }
    // The registry backend works in the 32-bit view, where the installers isreloc serves write
    // their uninstall entries.
    registry->setFlushOnClose(true);
    registry->setRoot(kLocalMachine);
    return registry;
}
