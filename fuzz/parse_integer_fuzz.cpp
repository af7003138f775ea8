// parseInteger against a reading of its rules that never overflows: digits are gathered into a
// 128-bit value (held at a ceiling far above any 32-bit range once it gets there), and only at
// the end is the range decided. The two must agree on the value, on failing exactly when the
// rules refuse, and on the message of the failure.
//
// Input: the whole text, zero bytes included.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/text/text.h"

namespace {

using Wide = __int128;
constexpr Wide kCeiling = Wide(1) << 64;  // far above every range below, far below overflow

int digitValue(char c, bool hexadecimal) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hexadecimal) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// True with the value when the rules accept the text.
bool referenceParse(const std::string& whole, int32_t& value) {
    const std::string text = whole.substr(0, whole.find('\0'));  // nothing after a zero byte counts
    if (text.empty()) return false;
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string::npos) return false;
    bool negative = false;
    if (text[at] == '-' || text[at] == '+') {
        negative = text[at] == '-';
        ++at;
    }
    bool hexadecimal = false;
    if (at < text.size() && (text[at] == '$' || text[at] == 'x' || text[at] == 'X')) {
        hexadecimal = true;
        at += 1;
    } else if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        hexadecimal = true;
        at += 2;
    }
    if (at >= text.size()) return false;

    Wide magnitude = 0;
    for (; at < text.size(); ++at) {
        const int digit = digitValue(text[at], hexadecimal);
        if (digit < 0) return false;
        magnitude = magnitude * (hexadecimal ? 16 : 10) + digit;
        if (magnitude > kCeiling) magnitude = kCeiling;
    }
    if (hexadecimal) {
        if (magnitude > 0xFFFFFFFF) return false;
        const uint32_t pattern = static_cast<uint32_t>(magnitude);
        value = static_cast<int32_t>(negative ? 0u - pattern : pattern);
        return true;
    }
    const Wide signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
    value = static_cast<int32_t>(signedValue);
    return true;
}

[[noreturn]] void fail(const char* what, long expected, long actual) {
    std::fprintf(stderr, "parseInteger mismatch: %s (expected %ld, got %ld)\n", what, expected, actual);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int32_t expected = 0;
    const bool accepted = referenceParse(text, expected);
    try {
        const int32_t actual = parseInteger(text);
        if (!accepted) fail("accepted a text the rules refuse", 0, actual);
        if (actual != expected) fail("value", expected, actual);
    } catch (const EConvertError& error) {
        if (accepted) fail("refused a text the rules accept", expected, 0);
        if (error.message() != "'" + text + "' is not a valid integer value") fail("message", 0, 0);
        if (std::string(error.className()) != "EConvertError") fail("class name", 0, 0);
    }
    return 0;
}
