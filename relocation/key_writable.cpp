#include "relocation/key_writable.h"

#include "relocation/key_probe.h"
#include "relocation/product_paths.h"

bool productKeyWritable(RegistryApi& api, const std::string& productName) {
    return openKeyForWriting(api, kUninstallParentKey) && openKeyForWriting(api, uninstallKeyPath(productName));
}
