#include "platform/services/run_log.h"

#include "platform/text/utf8.h"

namespace {

void appendDigits(std::string& text, unsigned value, int digits) {
    std::string number(static_cast<std::size_t>(digits), '0');
    for (int at = digits - 1; at >= 0 && value > 0; --at, value /= 10)
        number[static_cast<std::size_t>(at)] = static_cast<char>('0' + value % 10);
    text += number;
}

constexpr const char* kContinuationIndent = "    ";

}  // namespace

std::string isoLocalTime(const LocalTime& time) {
    std::string text;
    appendDigits(text, time.year, 4);
    text += '-';
    appendDigits(text, time.month, 2);
    text += '-';
    appendDigits(text, time.day, 2);
    text += 'T';
    appendDigits(text, time.hour, 2);
    text += ':';
    appendDigits(text, time.minute, 2);
    text += ':';
    appendDigits(text, time.second, 2);
    text += '.';
    appendDigits(text, time.millisecond, 3);
    return text;
}

RunLog::RunLog(Services& system, const std::u16string& path)
    : system_(system), path_(path.empty() ? path : system.fullPath(path)) {}

void RunLog::write(const std::string& utf8Text) noexcept {
    if (!kept()) return;
    try {
        const std::string stamp = isoLocalTime(system_.localTime()) + ' ';
        // The whole text goes out in one write, so that its lines stay together.
        std::string lines = stamp;
        for (std::size_t at = 0; at < utf8Text.size(); ++at) {
            const char c = utf8Text[at];
            if (c != '\r' && c != '\n') {
                lines += c;
                continue;
            }
            if (c == '\r' && at + 1 < utf8Text.size() && utf8Text[at + 1] == '\n') ++at;
            lines += "\r\n" + stamp + kContinuationIndent;
        }
        lines += "\r\n";
        if (!opened_) {
            opened_ = true;
            file_ = system_.openForAppending(path_);
        }
        if (file_) file_->append(lines);
    } catch (...) {
    }
}

void RunLog::writeAnsi(const std::string& ansiText) noexcept {
    if (!kept()) return;
    try {
        write(utf8FromUtf16(system_.widenAnsi(ansiText)));
    } catch (...) {
    }
}
