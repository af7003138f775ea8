#pragma once
// UTF-16 and UTF-8, the two forms Windows' wide texts take on their way to a log or a test.
// Pure and lossless for well-formed text; an unpaired surrogate is carried as its own code point.
#include <string>

std::string utf8FromUtf16(const std::u16string& wide);
std::u16string utf16FromUtf8(const std::string& text);
