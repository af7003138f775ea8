#pragma once
// PosixServices with Windows' blindness to letter case in file names: each name of a path is
// spelt the way an existing entry spells it, so that "{guid}" finds the folder "{GUID}" as it
// does on Windows. A name that matches nothing keeps its own spelling (a new folder takes it).
#include <filesystem>
#include <string>

#include "platform/services/forwarding_services.h"
#include "platform/text/text.h"
#include "platform/text/utf8.h"
#include "tests/support/services_posix.h"

class CaseBlindServices : public ForwardingServices {
public:
    explicit CaseBlindServices(PosixServices& inner) : ForwardingServices(inner), inner_(inner) {}

    // The path with every name that matches an existing entry, regardless of case, spelt as it.
    std::string existingSpelling(const std::string& path) const {
        std::string resolved;
        size_t start = 0;
        while (start <= path.size()) {
            const size_t end = std::min(path.find('\\', start), path.size());
            std::string name = path.substr(start, end - start);
            if (!resolved.empty() && !name.empty()) name = spellingIn(resolved, name);
            resolved += name;
            if (end < path.size()) resolved += '\\';
            start = end + 1;
        }
        return resolved;
    }

    int32_t fileAge(const std::u16string& path) override { return inner_.fileAge(existingSpelling(path)); }
    bool fileExists(const std::u16string& path) override { return inner_.fileExists(existingSpelling(path)); }
    bool directoryProbe(const std::u16string& path) override {
        return inner_.directoryProbe(existingSpelling(path));
    }
    bool moveDirectory(const std::u16string& from, const std::u16string& to) override {
        return inner_.moveDirectory(existingSpelling(from), existingSpelling(to));
    }

private:
    // The name as an entry of the folder spells it, or as given when none matches.
    std::string spellingIn(const std::string& folder, const std::string& name) const {
        std::error_code error;
        std::filesystem::directory_iterator entries;
        try {
            entries = std::filesystem::directory_iterator(inner_.hostPath(folder), error);
        } catch (const std::invalid_argument&) {
            return name;
        }
        if (error) return name;
        for (const auto& entry : entries) {
            const std::string entryName = entry.path().filename().string();
            if (equalText(lowerAscii(entryName), lowerAscii(name))) return entryName;
        }
        return name;
    }

    std::u16string existingSpelling(const std::u16string& path) const {
        return utf16FromUtf8(existingSpelling(utf8FromUtf16(path)));
    }

    PosixServices& inner_;
};
