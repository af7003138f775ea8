#pragma once
// The half of a test backend that has nothing to do with files: programs that would have been
// started, pauses that would have been slept, message boxes that would have been shown and the
// installer windows that would have been watched are recorded or scripted here, so that a test
// can assert on them without a desktop and without waiting. Portable, so tests of the parent
// wait run on every platform; the file operations are left to the backend that derives from it.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/services/services.h"

// One message box as the user would have seen it.
struct RecordedMessage {
    std::string text;
    std::string caption;
    uint32_t flags = 0;

    bool operator==(const RecordedMessage& other) const {
        return text == other.text && caption == other.caption && flags == other.flags;
    }
    bool operator!=(const RecordedMessage& other) const { return !(*this == other); }
};

class RecordingServices : public Services {
public:
    // A window opened with this many (or any negative number of) alive answers stays until closed.
    static constexpr int32_t kAliveForever = -1;

    // Scripts a live window: windowAlive answers true for it aliveAnswers times, then false for
    // good, as when the installer closes after that many polls. Handle 0 never names a window.
    void openWindow(int32_t window, int32_t aliveAnswers = kAliveForever);
    // The window is gone from now on.
    void closeWindow(int32_t window);
    // Names for %NAME% references; looked up without regard to ASCII case, as Windows does.
    void setEnvironment(const std::string& name, const std::string& value);

    // Every command line handed to launchCommand or launchWideCommand (in UTF-8), in order;
    // nothing is ever run.
    const std::vector<std::string>& launchedCommands() const { return launchedCommands_; }
    // Every handle asked about with windowAlive, in order.
    const std::vector<int32_t>& windowTests() const { return windowTests_; }
    // Every pauseFor, in order; nothing ever sleeps.
    const std::vector<uint32_t>& pauses() const { return pauses_; }
    // Every message box, in order.
    const std::vector<RecordedMessage>& messages() const { return messages_; }

    void launchCommand(const std::string& commandLine) override;
    // Expands the way Windows does: a name that is not set, and a lone '%', stay as written.
    void launchWideCommand(const std::u16string& commandLine) override;
    std::u16string expandWideEnvironment(const std::u16string& text) override;
    bool windowAlive(int32_t window) override;
    void pauseFor(uint32_t milliseconds) override;
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override;

private:
    std::string expandNarrow(const std::string& text) const;

    std::map<int32_t, int32_t> liveWindows_;  // handle -> alive answers left, negative for no end
    std::map<std::string, std::string> environment_;  // upper-cased name -> value
    std::vector<std::string> launchedCommands_;
    std::vector<int32_t> windowTests_;
    std::vector<uint32_t> pauses_;
    std::vector<RecordedMessage> messages_;
};
