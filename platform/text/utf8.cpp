#include "platform/text/utf8.h"

#include <cstdint>

std::string utf8FromUtf16(const std::u16string& wide) {
    std::string text;
    for (std::size_t at = 0; at < wide.size(); ++at) {
        uint32_t code = wide[at];
        if (code >= 0xD800 && code < 0xDC00 && at + 1 < wide.size() && wide[at + 1] >= 0xDC00 && wide[at + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[++at] - 0xDC00);
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            text += static_cast<char>(0xE0 | (code >> 12));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (code >> 18));
            text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

std::u16string utf16FromUtf8(const std::string& text) {
    std::u16string wide;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (int i = 1; i < length && at + static_cast<std::size_t>(i) < text.size(); ++i)
            code = (code << 6) | (static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]) & 0x3F);
        at += static_cast<std::size_t>(length);
        if (code >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(code);
        }
    }
    return wide;
}
