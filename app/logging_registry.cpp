#include "app/logging_registry.h"

#include "platform/text/text.h"
#include "platform/text/utf8.h"

namespace {

constexpr int32_t kNotFound = 2;  // ERROR_FILE_NOT_FOUND

std::string typeName(uint32_t type) {
    switch (type) {
    case kRegNone: return "REG_NONE";
    case kRegSz: return "REG_SZ";
    case kRegExpandSz: return "REG_EXPAND_SZ";
    case kRegBinary: return "REG_BINARY";
    case kRegDword: return "REG_DWORD";
    case kRegMultiSz: return "REG_MULTI_SZ";
    case kRegQword: return "REG_QWORD";
    default: return "type " + std::to_string(type);
    }
}

bool isText(uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

// Text up to its first terminator, in quotes; a DWORD in decimal; anything else by its size.
std::string describeData(uint32_t type, const std::u16string& text, const uint8_t* data, uint32_t size) {
    std::string described = " (" + typeName(type) + "): ";
    if (isText(type)) return described + "\"" + utf8FromUtf16(text.substr(0, text.find(u'\0'))) + "\"";
    if (type == kRegDword && size == 4 && data != nullptr)
        return described + std::to_string(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
    return described + std::to_string(size) + " bytes";
}

std::string failedWith(int32_t status) { return " (error " + std::to_string(status) + ")"; }

}  // namespace

std::string LoggingRegistryApi::keyPath(RegistryHandle key) const {
    if (key == kLocalMachine) return "HKEY_LOCAL_MACHINE";
    if (key == kCurrentUser) return "HKEY_CURRENT_USER";
    const auto open = openKeys_.find(key);
    return open == openKeys_.end() ? "?" : open->second;
}

std::string LoggingRegistryApi::childPath(RegistryHandle base, const std::u16string& subPath) const {
    return subPath.empty() ? keyPath(base) : keyPath(base) + '\\' + utf8FromUtf16(subPath);
}

void LoggingRegistryApi::noteState(const std::string& path, KeyState state, const std::string& line) {
    const auto [said, first] = lastSaid_.emplace(lowerAscii(path), state);
    if (!first && said->second == state) return;
    said->second = state;
    log_.write(line);
}

void LoggingRegistryApi::noteOpened(RegistryHandle base, const std::u16string& subPath, int32_t status,
                                    RegistryHandle opened, bool creating) {
    if (!log_.kept()) return;
    const std::string path = childPath(base, subPath);
    if (status == 0) {
        openKeys_[opened] = path;
        noteState(path, KeyState::found, (creating ? "created key " : "found key ") + path);
    } else if (status == kNotFound && !creating) {
        noteState(path, KeyState::missing, "no key " + path);
    } else {
        log_.write((creating ? "could not create key " : "could not open key ") + path + failedWith(status));
    }
}

void LoggingRegistryApi::noteDeleted(RegistryHandle base, const std::u16string& subPath, int32_t status) {
    if (!log_.kept()) return;
    const std::string path = childPath(base, subPath);
    if (status == 0) {
        noteState(path, KeyState::missing, "deleted key " + path);
    } else {
        log_.write("could not delete key " + path + failedWith(status));
    }
}

void LoggingRegistryApi::noteValue(RegistryHandle key, const std::u16string& name, int32_t status, ValueChange change,
                                   const std::string& detail) {
    const std::string value = keyPath(key) + " value " +
                              (name.empty() ? std::string("(default)") : "\"" + utf8FromUtf16(name) + "\"");
    const bool written = change == ValueChange::written;
    if (status == 0) {
        log_.write((written ? "wrote " : "deleted ") + value + detail);
    } else {
        log_.write((written ? "could not write " : "could not delete ") + value + failedWith(status));
    }
}

int32_t LoggingRegistryApi::regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                          RegistryHandle* result) {
    const int32_t status = inner_.regOpenKeyExA(base, subPath, access, result);
    noteOpened(base, inner_.widen(subPath), status, status == 0 ? *result : kNoKey, false);
    return status;
}

int32_t LoggingRegistryApi::regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                            RegistryHandle* result) {
    const int32_t status = inner_.regCreateKeyExA(base, subPath, access, result);
    noteOpened(base, inner_.widen(subPath), status, status == 0 ? *result : kNoKey, true);
    return status;
}

int32_t LoggingRegistryApi::regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                          RegistryHandle* result) {
    const int32_t status = inner_.regOpenKeyExW(base, subPath, access, result);
    noteOpened(base, subPath, status, status == 0 ? *result : kNoKey, false);
    return status;
}

int32_t LoggingRegistryApi::regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                            RegistryHandle* result) {
    const int32_t status = inner_.regCreateKeyExW(base, subPath, access, result);
    noteOpened(base, subPath, status, status == 0 ? *result : kNoKey, true);
    return status;
}

int32_t LoggingRegistryApi::regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                                           uint32_t dataSize) {
    const int32_t status = inner_.regSetValueExA(key, name, type, data, dataSize);
    if (log_.kept()) {
        const std::u16string text =
            isText(type) ? inner_.widen(std::string(reinterpret_cast<const char*>(data), dataSize)) : std::u16string();
        noteValue(key, inner_.widen(name), status, ValueChange::written, describeData(type, text, data, dataSize));
    }
    return status;
}

int32_t LoggingRegistryApi::regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type,
                                           const uint8_t* data, uint32_t dataSize) {
    const int32_t status = inner_.regSetValueExW(key, name, type, data, dataSize);
    if (log_.kept()) {
        std::u16string text;
        if (isText(type))
            for (uint32_t at = 0; at + 1 < dataSize; at += 2)
                text += static_cast<char16_t>(data[at] | data[at + 1] << 8);
        noteValue(key, name, status, ValueChange::written, describeData(type, text, data, dataSize));
    }
    return status;
}

int32_t LoggingRegistryApi::regDeleteValueA(RegistryHandle key, const char* name) {
    const int32_t status = inner_.regDeleteValueA(key, name);
    if (log_.kept()) noteValue(key, inner_.widen(name), status, ValueChange::deleted);
    return status;
}

int32_t LoggingRegistryApi::regDeleteKeyA(RegistryHandle base, const char* subPath) {
    const int32_t status = inner_.regDeleteKeyA(base, subPath);
    noteDeleted(base, inner_.widen(subPath), status);
    return status;
}

int32_t LoggingRegistryApi::regDeleteKeyW(RegistryHandle base, const char16_t* subPath) {
    const int32_t status = inner_.regDeleteKeyW(base, subPath);
    noteDeleted(base, subPath, status);
    return status;
}

int32_t LoggingRegistryApi::regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) {
    const int32_t status = inner_.regRenameKey(key, subPath, newName);
    if (!log_.kept()) return status;
    const std::string path = childPath(key, subPath);
    const std::string to = utf8FromUtf16(newName);
    // A rename that does not happen is followed by a copy of the key and the removal of the
    // original, which the lines that follow show call by call.
    if (status == 0) {
        noteState(path, KeyState::missing, "renamed key " + path + " to " + to);
    } else if (status == kErrorCallNotImplemented) {
        log_.write("keys are not renamed on this system: key " + path + " is copied to " + to);
    } else {
        log_.write("could not rename key " + path + " to " + to + failedWith(status) + ": it is copied instead");
    }
    return status;
}

int32_t LoggingRegistryApi::regCloseKey(RegistryHandle key) {
    openKeys_.erase(key);
    return inner_.regCloseKey(key);
}
