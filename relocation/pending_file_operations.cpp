#include "relocation/pending_file_operations.h"

#include <vector>

#include "platform/registry/name_case.h"
#include "platform/registry/owned_key.h"

namespace {

const char16_t* const kSessionManagerKey = u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char16_t* const kPendingLists[] = {u"PendingFileRenameOperations", u"PendingFileRenameOperations2"};

// The path an entry names: without its "!" (replace) and "*<n>" marks and the "\??\" prefix.
std::u16string namedPath(std::u16string entry) {
    if (!entry.empty() && entry[0] == u'!') entry.erase(0, 1);
    if (!entry.empty() && entry[0] == u'*') {
        std::size_t digitsEnd = 1;
        while (digitsEnd < entry.size() && entry[digitsEnd] >= u'0' && entry[digitsEnd] <= u'9') ++digitsEnd;
        entry.erase(0, digitsEnd);
    }
    if (entry.compare(0, 4, u"\\??\\") == 0) entry.erase(0, 4);
    return foldNameCase(entry);
}

bool namesFolder(const std::u16string& path, const std::u16string& folder) {
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == u'\\');
}

// Adds the list's entries; false when it is there but cannot be read as one. A missing list has none.
bool readList(RegistryApi& api, RegistryHandle key, const char16_t* name, std::vector<std::u16string>& entries) {
    uint32_t type = 0;
    uint32_t size = 0;
    const int32_t sized = api.regQueryValueExW(key, name, &type, nullptr, &size);
    if (sized == kErrorFileNotFound) return true;
    std::vector<uint8_t> data(size);
    if (sized != 0 || type != kRegMultiSz ||
        api.regQueryValueExW(key, name, &type, data.data(), &size) != 0 || size > data.size())
        return false;
    std::u16string entry;
    for (std::size_t at = 0; at + 1 < size; at += 2) {
        const char16_t unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
        if (unit != u'\0') {
            entry += unit;
        } else if (!entry.empty()) {
            entries.push_back(entry);
            entry.clear();
        }
    }
    if (!entry.empty()) entries.push_back(entry);
    return true;
}

}  // namespace

PendingMention pendingOperationsMention(RegistryApi& api, const std::u16string& folder) {
    RegistryHandle opened = kNoKey;
    const int32_t result = api.regOpenKeyExW(kLocalMachine, kSessionManagerKey, kKeyRead, &opened);
    const OwnedKey key(api, opened);
    if (result == kErrorFileNotFound) return PendingMention::none;
    if (result != 0) return PendingMention::unreadable;
    const std::u16string wanted = foldNameCase(folder);
    for (const char16_t* list : kPendingLists) {
        std::vector<std::u16string> entries;
        if (!readList(api, key.get(), list, entries)) return PendingMention::unreadable;
        for (const std::u16string& entry : entries)
            if (namesFolder(namedPath(entry), wanted)) return PendingMention::folder;
    }
    return PendingMention::none;
}
