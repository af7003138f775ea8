#pragma once
// Whether a run may change a product's key: checked before anything moves, so that a run without
// the rights (not elevated, a key locked by policy) is refused whole instead of stopping half-way.
#include <string>

#include "platform/registry/registry_api.h"

// Whether the run can move the product's key under this name: the uninstall key and the product's
// key open for writing, and every key below it too, as a move by copying (under Wine, or wherever
// the rename is refused) opens them. Leaves no key open.
bool productKeyWritable(RegistryApi& api, const std::string& productName);
