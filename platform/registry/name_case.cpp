#include "platform/registry/name_case.h"

char16_t foldNameCase(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x80) return c;
    if ((c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) ||  // Latin-1 à..þ, not the division sign
        (c >= 0x03B1 && c <= 0x03CB && c != 0x03C2) ||  // Greek α..ϋ, not the final sigma
        (c >= 0x0430 && c <= 0x044F))                   // Cyrillic а..я
        return static_cast<char16_t>(c - 0x20);
    if (c == 0x00FF) return 0x0178;
    if (c == 0x03C2) return 0x03A3;
    if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);  // ѐ..џ
    if (c >= 0x0100 && c <= 0x017F && c != 0x0130 && c != 0x0131 && c != 0x0138 && c != 0x0149 && c != 0x017F) {
        // Latin Extended-A pairs upper/lower on even/odd code points, shifted after U+0138.
        const bool shifted = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
        const bool lower = shifted ? (c % 2 == 0) : (c % 2 == 1);
        return lower ? static_cast<char16_t>(c - 1) : c;
    }
    return c;
}

std::u16string foldNameCase(const std::u16string& name) {
    std::u16string folded(name);
    for (char16_t& c : folded) c = foldNameCase(c);
    return folded;
}

std::vector<std::u16string> keyPathComponents(const std::u16string& path) {
    std::vector<std::u16string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos) end = path.size();
        if (end > start) components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}
