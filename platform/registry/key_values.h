#pragma once
// One value of a key the caller holds, read, written and erased through the seam, with the
// failures TRegistry reports for its own open key: both go through here, so that a write the
// system refuses raises the same ERegistryException with the same text whoever holds the key.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"

// The value's registry type and bytes as stored; false when the registry says it is not there.
// Raises "Failed to get data for '<messageName>'" on any other failure, so that a value that may
// be there is never taken for missing.
bool readKeyValue(RegistryApi& api, RegistryHandle key, const std::u16string& name, uint32_t& registryType,
                  std::vector<uint8_t>& data, const std::string& messageName);
// The value's bytes, size bytes at most, and its registry type; raises as readKeyValue does.
std::vector<uint8_t> readKeyValueData(RegistryApi& api, RegistryHandle key, const std::u16string& name,
                                      uint32_t size, uint32_t& registryType, const std::string& messageName);
// Stores exactly size bytes with the registry type given, in one write that replaces any value
// of that name; raises "Failed to set data for '<name>'" when the write is refused.
void writeKeyValue(RegistryApi& api, RegistryHandle key, const char16_t* name, uint32_t registryType,
                   const uint8_t* bytes, uint32_t size);
// True when the value was deleted.
bool eraseKeyValue(RegistryApi& api, RegistryHandle key, const std::string& name);
// Text as REG_SZ data: UTF-16LE with its terminating NUL.
std::vector<uint8_t> wideTextData(const std::u16string& text);
