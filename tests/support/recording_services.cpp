#include "tests/support/recording_services.h"

#include "platform/text/text.h"
#include "platform/text/utf8.h"

void RecordingServices::openWindow(int32_t window, int32_t aliveAnswers) {
    if (window != 0 && aliveAnswers != 0) {
        liveWindows_[window] = aliveAnswers;
    }
}

void RecordingServices::closeWindow(int32_t window) { liveWindows_.erase(window); }

void RecordingServices::setEnvironment(const std::string& name, const std::string& value) {
    environment_[upperAscii(name)] = value;
}

bool RecordingServices::launch(const std::u16string& commandLine) {
    if (commandLine.empty() || !launchOutcome_.started) return false;
    launchedCommands_.push_back(utf8FromUtf16(commandLine));
    return true;
}

std::u16string RecordingServices::expandWideEnvironment(const std::u16string& text) {
    return utf16FromUtf8(expandNarrow(utf8FromUtf16(text)));
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

LaunchOutcome RecordingServices::launchAndWait(const std::u16string& commandLine,
                                              const std::optional<uint32_t>&) {
    waitedCommands_.push_back(utf8FromUtf16(commandLine));
    return launchOutcome_;
}

std::u16string RecordingServices::widenAnsi(const std::string& text) {
    std::u16string wide;
    for (const char c : text) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}

namespace {

class RecordedFile final : public AppendFile {
public:
    explicit RecordedFile(std::string& contents) : contents_(contents) {}
    bool append(const std::string& bytes) override {
        contents_ += bytes;
        return true;
    }

private:
    std::string& contents_;
};

}  // namespace

std::unique_ptr<AppendFile> RecordingServices::openForAppending(const std::u16string& path) {
    if (appendsFail_) return nullptr;
    ++appendOpenings_;
    return std::make_unique<RecordedFile>(files_[utf8FromUtf16(path)]);
}

std::string RecordingServices::appended(const std::string& path) const {
    const auto file = files_.find(path);
    return file == files_.end() ? std::string() : file->second;
}

MoveLockGrant RecordingServices::takeMoveLock(uint32_t) {
    MoveLockGrant grant;
    grant.answer = moveLockAnswer_;
    if (grant.answer != MoveLockGrant::Answer::busy) grant.held = std::make_unique<HeldMoveLock>();
    return grant;
}
