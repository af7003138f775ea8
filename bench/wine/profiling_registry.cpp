#include "profiling_registry.h"

#include "timed_runs.h"

const char* callKindName(RegistryCallKind kind) {
    switch (kind) {
    case RegistryCallKind::openKey: return "RegOpenKeyEx";
    case RegistryCallKind::createKey: return "RegCreateKeyEx";
    case RegistryCallKind::queryValue: return "RegQueryValueEx";
    case RegistryCallKind::setValue: return "RegSetValueEx";
    case RegistryCallKind::queryInfoKey: return "RegQueryInfoKey";
    case RegistryCallKind::enumKey: return "RegEnumKeyEx";
    case RegistryCallKind::enumValue: return "RegEnumValue";
    case RegistryCallKind::deleteKey: return "RegDeleteKey";
    case RegistryCallKind::deleteValue: return "RegDeleteValue";
    case RegistryCallKind::flushKey: return "RegFlushKey";
    case RegistryCallKind::closeKey: return "RegCloseKey";
    case RegistryCallKind::renameKey: return "RegRenameKey";
    case RegistryCallKind::count: break;
    }
    return "?";
}

template <typename Call>
int32_t ProfilingRegistryApi::timed(RegistryCallKind kind, Call call) {
    const double start = nowMilliseconds();
    const int32_t result = call();
    CallTally& tally = tallies_[static_cast<std::size_t>(kind)];
    tally.milliseconds += nowMilliseconds() - start;
    ++tally.calls;
    return result;
}

int32_t ProfilingRegistryApi::regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                            RegistryHandle* result) {
    return timed(RegistryCallKind::openKey, [&] { return inner_.regOpenKeyExA(base, subPath, access, result); });
}

int32_t ProfilingRegistryApi::regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                              RegistryHandle* result) {
    return timed(RegistryCallKind::createKey, [&] { return inner_.regCreateKeyExA(base, subPath, access, result); });
}

int32_t ProfilingRegistryApi::regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type, uint8_t* data,
                                               uint32_t* dataSize) {
    if (data == nullptr) ++sizeQueries_;
    return timed(RegistryCallKind::queryValue,
                 [&] { return inner_.regQueryValueExA(key, name, type, data, dataSize); });
}

int32_t ProfilingRegistryApi::regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                                             uint32_t dataSize) {
    return timed(RegistryCallKind::setValue, [&] { return inner_.regSetValueExA(key, name, type, data, dataSize); });
}

int32_t ProfilingRegistryApi::regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) {
    return timed(RegistryCallKind::queryInfoKey, [&] { return inner_.regQueryInfoKeyA(key, info); });
}

int32_t ProfilingRegistryApi::regEnumKeyExA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) {
    return timed(RegistryCallKind::enumKey, [&] { return inner_.regEnumKeyExA(key, index, name, nameLength); });
}

int32_t ProfilingRegistryApi::regEnumValueA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) {
    return timed(RegistryCallKind::enumValue, [&] { return inner_.regEnumValueA(key, index, name, nameLength); });
}

int32_t ProfilingRegistryApi::regDeleteKeyA(RegistryHandle base, const char* subPath) {
    return timed(RegistryCallKind::deleteKey, [&] { return inner_.regDeleteKeyA(base, subPath); });
}

int32_t ProfilingRegistryApi::regDeleteValueA(RegistryHandle key, const char* name) {
    return timed(RegistryCallKind::deleteValue, [&] { return inner_.regDeleteValueA(key, name); });
}

int32_t ProfilingRegistryApi::regFlushKey(RegistryHandle key) {
    return timed(RegistryCallKind::flushKey, [&] { return inner_.regFlushKey(key); });
}

int32_t ProfilingRegistryApi::regCloseKey(RegistryHandle key) {
    return timed(RegistryCallKind::closeKey, [&] { return inner_.regCloseKey(key); });
}

int32_t ProfilingRegistryApi::regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                            RegistryHandle* result) {
    return timed(RegistryCallKind::openKey, [&] { return inner_.regOpenKeyExW(base, subPath, access, result); });
}

int32_t ProfilingRegistryApi::regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                              RegistryHandle* result) {
    return timed(RegistryCallKind::createKey, [&] { return inner_.regCreateKeyExW(base, subPath, access, result); });
}

int32_t ProfilingRegistryApi::regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type,
                                               uint8_t* data, uint32_t* dataSize) {
    if (data == nullptr) ++sizeQueries_;
    return timed(RegistryCallKind::queryValue,
                 [&] { return inner_.regQueryValueExW(key, name, type, data, dataSize); });
}

int32_t ProfilingRegistryApi::regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type,
                                             const uint8_t* data, uint32_t dataSize) {
    return timed(RegistryCallKind::setValue, [&] { return inner_.regSetValueExW(key, name, type, data, dataSize); });
}

int32_t ProfilingRegistryApi::regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name,
                                            uint32_t* nameLength) {
    return timed(RegistryCallKind::enumKey, [&] { return inner_.regEnumKeyExW(key, index, name, nameLength); });
}

int32_t ProfilingRegistryApi::regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name,
                                            uint32_t* nameLength, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
    return timed(RegistryCallKind::enumValue,
                 [&] { return inner_.regEnumValueW(key, index, name, nameLength, type, data, dataSize); });
}

int32_t ProfilingRegistryApi::regDeleteKeyW(RegistryHandle base, const char16_t* subPath) {
    return timed(RegistryCallKind::deleteKey, [&] { return inner_.regDeleteKeyW(base, subPath); });
}

int32_t ProfilingRegistryApi::regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) {
    return timed(RegistryCallKind::renameKey, [&] { return inner_.regRenameKey(key, subPath, newName); });
}
