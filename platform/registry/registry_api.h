#pragma once
// The registry calls the layer makes, behind one seam so that the same logic runs on the Windows
// registry and on the in-memory store of the tests. Every call returns 0 for success and a system
// error code for failure. The one code anything looks at is kErrorFileNotFound: only it says that
// a key or value is not there, where any other failure leaves that unknown.
//
// The ANSI calls serve names and texts that arrive as 8-bit text (the command line, fixed
// names). The wide calls serve the tree moves: names and data read from the registry travel as
// the registry holds them (UTF-16), so a name outside the machine's ANSI code page is neither
// turned into '?' nor skipped.
#include <cstdint>
#include <string>

// A key handle, as wide as a pointer like the system's own; 0 is none.
using RegistryHandle = std::uintptr_t;
constexpr RegistryHandle kNoKey = 0;

constexpr int32_t kErrorFileNotFound = 2;  // ERROR_FILE_NOT_FOUND: no such key or value
// ERROR_CALL_NOT_IMPLEMENTED: what regRenameKey answers, before looking at anything, where keys
// are not renamed on this system and move by copying instead.
constexpr int32_t kErrorCallNotImplemented = 120;

// The predefined root keys as Windows defines them: 32-bit negative numbers, sign-extended to
// the width of a handle (0xFFFFFFFF80000002 for HKEY_LOCAL_MACHINE in a 64-bit process).
constexpr RegistryHandle predefinedKey(int32_t value) {
    return static_cast<RegistryHandle>(static_cast<std::intptr_t>(value));
}
constexpr RegistryHandle kCurrentUser = predefinedKey(static_cast<int32_t>(0x80000001u));
constexpr RegistryHandle kLocalMachine = predefinedKey(static_cast<int32_t>(0x80000002u));

// Registry value types, as stored.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// Access rights the layer asks for.
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kKeyRead = 0x20019;  // KEY_READ: enough to look, nothing to change
constexpr uint32_t kKeyReadForProbe = 0x20009;  // STANDARD_RIGHTS_READ | QUERY_VALUE | ENUMERATE_SUB_KEYS

// What RegQueryInfoKeyA reports; the name lengths are in characters, terminator not counted.
struct KeyInfo {
    uint32_t subkeyCount = 0;
    uint32_t maxSubkeyNameLength = 0;
    uint32_t valueCount = 0;
    uint32_t maxValueNameLength = 0;
    uint32_t maxDataLength = 0;
    uint64_t lastWriteTime = 0;
};

// Facts about the machine that decide whether ANSI name lengths must be doubled: an NT-family
// system whose ANSI code page at start-up is a double-byte one.
struct DoubleByteFacts {
    bool ntPlatform = false;
    bool doubleByteCodePage = false;
};

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // ANSI calls. Names and sub-paths are zero-terminated 8-bit strings, never null.
    virtual int32_t regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                  RegistryHandle* result) = 0;
    virtual int32_t regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                    RegistryHandle* result) = 0;
    // data null asks only for type and size; *dataSize goes in as the buffer size and comes out
    // as the bytes written (or needed).
    virtual int32_t regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type,
                                     uint8_t* data, uint32_t* dataSize) = 0;
    // Stores exactly dataSize bytes: string data without a terminator stays without one.
    virtual int32_t regSetValueExA(RegistryHandle key, const char* name, uint32_t type,
                                   const uint8_t* data, uint32_t dataSize) = 0;
    virtual int32_t regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) = 0;
    // *nameLength goes in as the buffer size in characters and comes out as the name's length.
    virtual int32_t regEnumKeyExA(RegistryHandle key, uint32_t index, char* name,
                                  uint32_t* nameLength) = 0;
    virtual int32_t regEnumValueA(RegistryHandle key, uint32_t index, char* name,
                                  uint32_t* nameLength) = 0;
    virtual int32_t regDeleteKeyA(RegistryHandle base, const char* subPath) = 0;
    virtual int32_t regDeleteValueA(RegistryHandle key, const char* name) = 0;
    virtual int32_t regFlushKey(RegistryHandle key) = 0;
    virtual int32_t regCloseKey(RegistryHandle key) = 0;

    // Wide calls, same meaning; lengths in UTF-16 units, string data as UTF-16LE bytes.
    virtual int32_t regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                  RegistryHandle* result) = 0;
    virtual int32_t regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                    RegistryHandle* result) = 0;
    virtual int32_t regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type,
                                     uint8_t* data, uint32_t* dataSize) = 0;
    virtual int32_t regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type,
                                   const uint8_t* data, uint32_t dataSize) = 0;
    virtual int32_t regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name,
                                  uint32_t* nameLength) = 0;
    // Given type, data and dataSize (each may be null), it also gives the value's type and bytes
    // as regQueryValueExW would: a whole value in one call. Data that does not fit fails.
    virtual int32_t regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength,
                                  uint32_t* type = nullptr, uint8_t* data = nullptr,
                                  uint32_t* dataSize = nullptr) = 0;
    // Needed to remove a subkey whose name has no ANSI spelling.
    virtual int32_t regDeleteKeyW(RegistryHandle base, const char16_t* subPath) = 0;
    // Gives the key at subPath below key a new name in place, in one step: its values, subkeys,
    // security and time stamps stay as they are, and handles open on it stay valid. An empty
    // subPath renames key itself, which must then be open with KEY_WRITE. newName is one name,
    // never a path. Refused, the key unchanged, when the name is empty, holds a backslash or is
    // too long, and when a sibling already bears it (reported as access denied, not as "already
    // exists"); a system where the rename is not used answers kErrorCallNotImplemented.
    virtual int32_t regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) = 0;

    // 8-bit text as the system's ANSI calls would read it, and back (characters without an
    // ANSI spelling become '?'); used where a name crosses between the two worlds.
    virtual std::u16string widen(const std::string& ansi) const = 0;
    virtual std::string narrow(const std::u16string& wide) const = 0;

    virtual DoubleByteFacts doubleByteFacts() const = 0;
};
