#include "relocation/product_presence.h"

#include "relocation/product_paths.h"

ProductPresence productPresence(ModeContext& context, TRegistry& registry, const std::u16string& root,
                                const std::string& productName) {
    ProductPresence presence;
    presence.key = registry.hasKey(uninstallKeyPath(productName));
    presence.markerFile =
        context.services.fileExists(productFolder(context.registryApi, root, productName) + kMarkerFile);
    return presence;
}
