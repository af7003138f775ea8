#include "relocation/key_writable.h"

#include "relocation/product_paths.h"

bool productKeyWritable(TRegistry& registry, const std::string& productName) {
    const bool writable =
        registry.openPath(kUninstallParentKey, false) && registry.openPath(uninstallKeyPath(productName), false);
    registry.closePath();
    return writable;
}
