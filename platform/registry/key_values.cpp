#include "platform/registry/key_values.h"

#include "platform/registry/registry.h"

namespace {

std::string quotedName(const std::string& name) { return "'" + name + "'"; }

}  // namespace

bool readKeyValue(RegistryApi& api, RegistryHandle key, const std::u16string& name, uint32_t& registryType,
                  std::vector<uint8_t>& data, const std::string& messageName) {
    uint32_t size = 0;
    const int32_t result = api.regQueryValueExW(key, name.c_str(), &registryType, nullptr, &size);
    if (result == kErrorFileNotFound) return false;
    if (result != 0) throw ERegistryException("Failed to get data for " + quotedName(messageName));
    data = readKeyValueData(api, key, name, size, registryType, messageName);
    return true;
}

std::vector<uint8_t> readKeyValueData(RegistryApi& api, RegistryHandle key, const std::u16string& name,
                                      uint32_t size, uint32_t& registryType, const std::string& messageName) {
    std::vector<uint8_t> data(size, 0);
    uint32_t read = size;
    if (api.regQueryValueExW(key, name.c_str(), &registryType, data.data(), &read) != 0)
        throw ERegistryException("Failed to get data for " + quotedName(messageName));
    data.resize(read);
    return data;
}

void writeKeyValue(RegistryApi& api, RegistryHandle key, const char16_t* name, uint32_t registryType,
                   const uint8_t* bytes, uint32_t size) {
    // A value with no data still needs a valid pointer on some systems.
    static const uint8_t noData = 0;
    if (api.regSetValueExW(key, name, registryType, size == 0 ? &noData : bytes, size) != 0)
        throw ERegistryException("Failed to set data for " + quotedName(api.narrow(name)));
}

bool eraseKeyValue(RegistryApi& api, RegistryHandle key, const std::string& name) {
    return api.regDeleteValueA(key, name.c_str()) == 0;
}

std::vector<uint8_t> wideTextData(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const char16_t unit : text + u'\0') {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}
