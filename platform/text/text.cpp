#include "platform/text/text.h"

#include <algorithm>
#include <cstring>
#include <utility>

__attribute__((noinline)) EConvertError::EConvertError(std::string message)
    : Exception(std::move(message), ISRELOC_CALLER_ADDRESS()) {}

void lowerAsciiInPlace(std::string& text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
}

std::string lowerAscii(std::string text) {
    lowerAsciiInPlace(text);
    return text;
}

std::u16string lowerAscii(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
    return text;
}

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return text;
}

int32_t findText(const std::string& needle, const std::string& text) {
    if (needle.empty() || text.empty() || needle.size() > text.size()) return 0;
    const std::size_t found = text.find(needle);
    return found == std::string::npos ? 0 : static_cast<int32_t>(found + 1);
}

void cutText(std::string& text, int32_t position, int32_t count) {
    const int64_t length = static_cast<int64_t>(text.size());
    if (length == 0 || position < 1 || position > length || count <= 0) return;
    const int64_t available = length - position + 1;
    const int64_t removed = count < available ? count : available;
    text.erase(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(removed));
}

bool equalText(const std::string& left, const std::string& right) { return left == right; }

std::string formatInteger(int32_t value) {
    // The magnitude as unsigned, so that -2147483648 needs no special case.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[12];
    char* end = digits + sizeof digits;
    char* cursor = end;
    do {
        *--cursor = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--cursor = '-';
    return std::string(cursor, end);
}

namespace {

int hexDigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The whole parse as a yes/no question; parseInteger turns "no" into EConvertError.
bool tryParseInteger(const std::string& text, int32_t& result) {
    // Bytes after the first zero byte are not looked at.
    const std::size_t end = std::min(text.size(), std::strlen(text.c_str()));
    std::size_t at = 0;
    if (end == 0) return false;
    while (at < end && text[at] == ' ') ++at;

    bool negative = false;
    if (at < end && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }

    bool hexadecimal = false;
    if (at < end && (text[at] == '$' || text[at] == 'x' || text[at] == 'X')) {
        hexadecimal = true;
        at += 1;
    } else if (at < end && text[at] == '0') {
        if (at + 1 == end) {  // a lone 0 is the whole number, whatever the sign
            result = 0;
            return true;
        }
        if (text[at + 1] == 'x' || text[at + 1] == 'X') {
            hexadecimal = true;
            at += 2;
        }
    }
    if (at >= end) return false;

    uint32_t value = 0;
    if (hexadecimal) {
        for (; at < end; ++at) {
            const int digit = hexDigitValue(static_cast<unsigned char>(text[at]));
            if (digit < 0 || value > 0x0FFFFFFFu) return false;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        // The 32-bit pattern read as signed; a minus sign negates it with wrap-around.
        const uint32_t pattern = negative ? 0u - value : value;
        result = static_cast<int32_t>(pattern);
        return true;
    }
    for (; at < end; ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c < '0' || c > '9' || value > 214748364u) return false;
        value = value * 10 + (c - '0');
    }
    if (negative) {
        if (value > 2147483648u) return false;
        result = static_cast<int32_t>(0u - value);
    } else {
        if (value > 2147483647u) return false;
        result = static_cast<int32_t>(value);
    }
    return true;
}

}  // namespace

int32_t parseInteger(const std::string& text) {
    int32_t result = 0;
    if (!tryParseInteger(text, result)) throw EConvertError("'" + text + "' is not a valid integer value");
    return result;
}
