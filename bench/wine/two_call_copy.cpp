#include "two_call_copy.h"

#include <algorithm>
#include <vector>

#include "unique_handle.h"

bool copyTreeTwoCallsPerValue(HKEY source, HKEY target) {
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestValueName = 0, longestData = 0;
    if (RegQueryInfoKeyW(source, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                         &longestValueName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(std::max(longestSubkey, longestValueName) + 1);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD index = 0; index < values; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(source, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) !=
                ERROR_SUCCESS ||
            RegSetValueExW(target, name.data(), 0, type, data.data(), dataSize) != ERROR_SUCCESS)
            return false;
    }
    for (DWORD index = 0; index < subkeys; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(source, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        UniqueRegistryKey subSource;
        UniqueRegistryKey subTarget;
        if (RegOpenKeyExW(source, name.data(), 0, KEY_READ, subSource.receive()) != ERROR_SUCCESS ||
            RegCreateKeyExW(target, name.data(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, subTarget.receive(),
                            nullptr) != ERROR_SUCCESS ||
            !copyTreeTwoCallsPerValue(subSource.get(), subTarget.get()))
            return false;
    }
    return true;
}
