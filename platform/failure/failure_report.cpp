#include "platform/failure/failure.h"

#include <algorithm>
#include <vector>

namespace {

std::string upperHex8(uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (std::size_t at = 8; at-- > 0; value >>= 4) text[at] = kDigits[value & 0xF];
    return text;
}

// The format comes from the string table, so it is filled by plain substitution: a translated
// or damaged resource can only misplace texts, never read arguments that are not there.
std::string fillFormat(const std::string& format, const std::vector<std::string>& arguments) {
    std::string text;
    std::size_t next = 0;
    for (std::size_t at = 0; at < format.size(); ++at) {
        const char c = format[at];
        if (c != '%' || at + 1 == format.size()) {
            text += c;
            continue;
        }
        const char kind = format[at + 1];
        if (kind == 's' || kind == 'p') {
            if (next < arguments.size()) text += arguments[next];
            ++next;
            ++at;
        } else if (kind == '%') {
            text += '%';
            ++at;
        } else {
            text += c;
        }
    }
    return text;
}

// Writes digits into line so that the last one lands on the 1-based position last.
void writeEndingAt(std::string& line, const std::string& digits, std::size_t last) {
    const std::size_t count = digits.size() < last ? digits.size() : last;
    line.replace(last - count, count, digits, digits.size() - count, count);
}

}  // namespace

std::string failureReportText(const std::string& className, const std::string& moduleName, uint32_t offset,
                              const std::string& message, const std::string& format) {
    const bool needsDot = !message.empty() && message.back() != '.';
    std::string text = fillFormat(format, {className, moduleName, upperHex8(offset), message, needsDot ? "." : ""});
    if (text.size() > kReportTextLimit) text.resize(kReportTextLimit);
    return text;
}

std::string fallbackReportText(uint32_t errorNumber, uint32_t address) {
    std::string line = "Runtime error     at 00000000";
    writeEndingAt(line, std::to_string(errorNumber), 17);
    writeEndingAt(line, upperHex8(address), 29);
    return line;
}
