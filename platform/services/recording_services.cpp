#include "platform/services/recording_services.h"

#include "platform/text/text.h"

namespace {

// Wide command lines are recorded in UTF-8, so that tests read every command as one kind of text.
std::string utf8From(const std::u16string& wide) {
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

std::u16string utf16From(const std::string& text) {
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

}  // namespace

void RecordingServices::openWindow(int32_t window, int32_t aliveAnswers) {
    if (window != 0 && aliveAnswers != 0) {
        liveWindows_[window] = aliveAnswers;
    }
}

void RecordingServices::closeWindow(int32_t window) { liveWindows_.erase(window); }

void RecordingServices::setEnvironment(const std::string& name, const std::string& value) {
    environment_[upperAscii(name)] = value;
}

void RecordingServices::launchCommand(const std::string& commandLine) {
    launchedCommands_.push_back(commandLine);
}

void RecordingServices::launchWideCommand(const std::u16string& commandLine) {
    launchedCommands_.push_back(utf8From(commandLine));
}

std::u16string RecordingServices::expandWideEnvironment(const std::u16string& text) {
    return utf16From(expandNarrow(utf8From(text)));
}

std::string RecordingServices::expandNarrow(const std::string& text) const {
    std::string expanded;
    std::size_t next = 0;
    while (next < text.size()) {
        const std::size_t opening = text.find('%', next);
        const std::size_t closing = opening == std::string::npos ? std::string::npos : text.find('%', opening + 1);
        if (closing == std::string::npos) {
            expanded.append(text, next, std::string::npos);
            break;
        }
        expanded.append(text, next, opening - next);
        const auto variable = environment_.find(upperAscii(text.substr(opening + 1, closing - opening - 1)));
        if (variable != environment_.end()) {
            expanded += variable->second;
        } else {
            expanded.append(text, opening, closing - opening + 1);
        }
        next = closing + 1;
    }
    return expanded;
}

bool RecordingServices::windowAlive(int32_t window) {
    windowTests_.push_back(window);
    const auto live = liveWindows_.find(window);
    if (live == liveWindows_.end()) {
        return false;
    }
    if (live->second > 0 && --live->second == 0) {
        liveWindows_.erase(live);
    }
    return true;
}

void RecordingServices::pauseFor(uint32_t milliseconds) { pauses_.push_back(milliseconds); }

void RecordingServices::showMessage(const std::string& text, const std::string& caption, uint32_t flags) {
    messages_.push_back(RecordedMessage{text, caption, flags});
}
