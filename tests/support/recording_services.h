#pragma once
// The half of a test backend that has nothing to do with files: programs that would have been
// started or waited for, pauses that would have been slept, message boxes that would have been
// shown, the installer windows that would have been watched, the window station, the clock and
// the log's lines are recorded or scripted here, so that a test can assert on them without a
// desktop and without waiting. Portable, so tests of the parent wait run on every platform; the
// file operations are left to the backend that derives from it. Its ANSI code page is Latin-1.
#include <cstdint>
#include <map>
#include <optional>
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
    // What every launchAndWait gives from now on, ended with exit code 0 until told otherwise;
    // one that did not start makes every launch fail too.
    void scriptLaunchOutcome(const LaunchOutcome& outcome) { launchOutcome_ = outcome; }
    void scriptInteractiveWindowStation(bool interactive) { interactive_ = interactive; }
    void scriptLocalTime(const LocalTime& time) { localTime_ = time; }
    // What takeMoveLock answers from now on (taken until told otherwise), as when another run
    // keeps the lock for the whole wait, or a killed run left it; nothing ever waits.
    void scriptMoveLock(MoveLockGrant::Answer answer) { moveLockAnswer_ = answer; }
    // No file opens for appending from now on, as on a read-only folder.
    void failAppends() { appendsFail_ = true; }

    // Every command line launch started (in UTF-8), in order;
    // nothing is ever run.
    const std::vector<std::string>& launchedCommands() const { return launchedCommands_; }
    // Every command line handed to launchAndWait (in UTF-8), in order; nothing is ever run.
    const std::vector<std::string>& waitedCommands() const { return waitedCommands_; }
    // Everything appended to the file at the path (in UTF-8) so far; empty when nothing was.
    std::string appended(const std::string& path) const;
    // How many times a file was opened for appending.
    int appendOpenings() const { return appendOpenings_; }
    // Every handle asked about with windowAlive, in order.
    const std::vector<int32_t>& windowTests() const { return windowTests_; }
    // Every pauseFor, in order; nothing ever sleeps.
    const std::vector<uint32_t>& pauses() const { return pauses_; }
    // Every message box, in order.
    const std::vector<RecordedMessage>& messages() const { return messages_; }

    bool launch(const std::u16string& commandLine) override;
    // Expands the way Windows does: a name that is not set, and a lone '%', stay as written.
    std::u16string expandWideEnvironment(const std::u16string& text) override;
    bool windowAlive(int32_t window) override;
    void pauseFor(uint32_t milliseconds) override;
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override;
    LaunchOutcome launchAndWait(const std::u16string& commandLine,
                                const std::optional<uint32_t>& timeLimitSeconds) override;
    bool interactiveWindowStation() override { return interactive_; }
    std::u16string widenAnsi(const std::string& text) override;
    // Tests hand in whole paths; a path stays as given.
    std::u16string fullPath(const std::u16string& path) override { return path; }
    std::unique_ptr<AppendFile> openForAppending(const std::u16string& path) override;
    LocalTime localTime() override { return localTime_; }
    MoveLockGrant takeMoveLock(uint32_t waitMilliseconds) override;

private:
    std::string expandNarrow(const std::string& text) const;

    std::map<int32_t, int32_t> liveWindows_;  // handle -> alive answers left, negative for no end
    std::map<std::string, std::string> environment_;  // upper-cased name -> value
    std::vector<std::string> launchedCommands_;
    std::vector<int32_t> windowTests_;
    std::vector<uint32_t> pauses_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::string> waitedCommands_;
    LaunchOutcome launchOutcome_ = LaunchOutcome::ended(0);
    bool interactive_ = true;
    LocalTime localTime_{2024, 3, 9, 14, 5, 7, 42};
    bool appendsFail_ = false;
    int appendOpenings_ = 0;
    MoveLockGrant::Answer moveLockAnswer_ = MoveLockGrant::Answer::taken;
    std::map<std::string, std::string> files_;  // path -> everything appended to it
};
