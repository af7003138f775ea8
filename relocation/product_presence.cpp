#include "relocation/product_presence.h"

#include "relocation/product_paths.h"

ProductPresence productPresence(ModeContext& context, const std::u16string& root, const std::string& productName) {
    ProductPresence presence;
    presence.key = probeKey(context.registryApi, uninstallKeyPath(productName));
    presence.markerFile =
        context.services.fileExists(productFolder(context.registryApi, root, productName) + kMarkerFile);
    return presence;
}
