#include "relocation/names.h"

#include "platform/text/text.h"

namespace {

constexpr int32_t kGuidLength = 38;
// The longest name a registry key, or a file on the file systems Windows installs on, can have.
constexpr std::size_t kLongestName = 255;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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

std::string restoredNameFor(const std::string& relocatedName) {
    std::string name = relocatedName;
    cutText(name, findText("_", name), static_cast<int32_t>(name.size()) - kGuidLength);
    return name;
}

bool isSuffixNameOf(const std::string& name, const std::string& productName) {
    const std::string prefix = productName + "_";
    if (name.size() <= prefix.size() || !sameName(name.substr(0, prefix.size()), prefix)) return false;
    const std::string number = name.substr(prefix.size());
    for (const char c : number)
        if (!isDigit(c)) return false;
    return number == "0" || number[0] != '0';
}

bool sameName(const std::string& left, const std::string& right) {
    return equalText(lowerAscii(left), lowerAscii(right));
}
