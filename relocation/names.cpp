#include "relocation/names.h"

#include "platform/registry/name_case.h"
#include "platform/text/text.h"

namespace {

constexpr int32_t kGuidLength = 38;
// The longest name a registry key, or a file on the file systems Windows installs on, can have.
constexpr std::size_t kLongestName = 255;

// From the first "_" on, as many characters as the name is longer than a GUID.
template <typename Text>
Text withoutSuffix(Text name) {
    const std::size_t underscore = name.find('_');
    if (underscore == Text::npos || name.size() <= static_cast<std::size_t>(kGuidLength)) return name;
    name.erase(underscore, name.size() - static_cast<std::size_t>(kGuidLength));
    return name;
}

}  // namespace

bool hasGuidForm(const std::string& name) {
    return name.size() >= kGuidLength && name[0] == '{' && name[9] == '-' && name[14] == '-' && name[19] == '-' &&
           name[24] == '-' && name[37] == '}';
}

bool isUsableName(const std::string& name) {
    if (name.empty() || name.size() > kLongestName || name == "." || name == "..") return false;
    for (const char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
        if (std::string("\\/:*?\"<>|").find(c) != std::string::npos) return false;
    }
    return name.back() != '.' && name.back() != ' ';
}

std::string restoredNameFor(const std::string& relocatedName) { return withoutSuffix(relocatedName); }

std::u16string restoredNameFor(const std::u16string& relocatedName) { return withoutSuffix(relocatedName); }

std::string suffixName(const std::string& productName, int32_t n) { return productName + "_" + formatInteger(n); }

bool sameName(const std::u16string& left, const std::u16string& right) {
    return foldNameCase(left) == foldNameCase(right);
}
