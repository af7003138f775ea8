#pragma once
// Text and number rules. A text is a std::string of 8-bit bytes; every rule here is pure,
// byte-exact and independent of locale and code page, so that command-line options, GUIDs and
// window-handle values behave the same on every machine.
#include <cstdint>
#include <string>

#include "platform/text/exception.h"

// Raised by parseInteger with "'<text>' is not a valid integer value".
class EConvertError : public Exception {
public:
    explicit EConvertError(std::string message);
    const char* className() const override { return "EConvertError"; }
};

// The text with A-Z turned into a-z; every other byte, 0x80 and up included, unchanged.
std::string lowerAscii(std::string text);
// The same for UTF-16 text: only A-Z change.
std::u16string lowerAscii(std::u16string text);
// The same change made to the variable itself, for long lists of texts.
void lowerAsciiInPlace(std::string& text);
// Copies the text with a-z turned into A-Z; every other byte unchanged.
std::string upperAscii(std::string text);

// 1-based position of the first occurrence of needle in text, exact bytes; 0 for none,
// and 0 when either is empty or the needle is longer.
int32_t findText(const std::string& needle, const std::string& text);

// Removes up to count bytes from the 1-based position, in place. Leaves the text unchanged when
// it is empty, the position lies outside it or the count is not positive.
void cutText(std::string& text, int32_t position, int32_t count);

// Whether a character (a byte, or a UTF-16 unit) separates command-line arguments: 0x01 to 0x20,
// the blank and every control character. 0 ends the text; bytes from 0x80 up never separate.
inline bool separatesArguments(uint32_t unit) { return unit >= 0x01 && unit <= 0x20; }

// Whole texts, byte for byte: no case folding, no trimming.
bool equalText(const std::string& left, const std::string& right);

// Decimal digits with a leading '-' for negative values; no plus sign, no grouping.
std::string formatInteger(int32_t value);

// Decimal, or hexadecimal after "$", "x", "X", "0x" or "0X"; leading blanks and one sign allowed,
// nothing after the digits. Reads up to the first zero byte. Raises EConvertError on failure.
int32_t parseInteger(const std::string& text);
