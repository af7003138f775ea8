#pragma once
// The seam between the two modes and the operating system for everything that is not registry
// or text work: files, directories, the parent window, pauses, starting a program and message
// boxes; and for runs that nobody watches, the window station, a wait for a started process
// tree and the lines of a log. None of these raises; every system failure becomes a false
// result or is ignored.
// Backends: Win32Services (the real system); the tests keep their own beside them (real files
// under a folder, or files in memory, with the window test, pauses, launches, boxes, log lines
// and the station recorded or scripted).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Box flags the system uses.
constexpr uint32_t kTaskModalError = 0x2010;        // MB_TASKMODAL | MB_ICONERROR
constexpr uint32_t kTaskModalInformation = 0x2040;  // MB_TASKMODAL | MB_ICONINFORMATION

// What became of a program started and waited for: what the mode needs to judge whether the
// program's work is over, and how it went.
struct LaunchOutcome {
    bool started = false;
    // The started process's own exit code, read once it has ended; exitCodeRead is false when the
    // system could not tell it (then exitCode means nothing), and when the wait timed out.
    bool exitCodeRead = false;
    uint32_t exitCode = 0;
    // Every process of its work was seen to end: it joined a job, which nothing could leave, and
    // the job emptied. False when it could not join one, or the job could not be counted, and it
    // was waited for alone: what it started may still run.
    bool everyProcessEnded = false;
    // The time the wait was given ran out first: the program, or what it started, may still run.
    bool timedOut = false;

    // A program that ran to its end with every process it started.
    static LaunchOutcome ended(uint32_t exitCode) { return {true, true, exitCode, true, false}; }
};

// A file held open for adding to its end: the log's, opened once for the whole run.
class AppendFile {
public:
    virtual ~AppendFile() = default;
    // Adds the bytes to the end of the file; false when they could not all be written.
    virtual bool append(const std::string& bytes) = 0;
};

// A moment in local time, as the log stamps its lines.
struct LocalTime {
    uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// isreloc's own lock on moves, one for the whole machine: while one run holds it, no other run
// looks at or changes any product's folder or key. Released when the object goes.
class HeldMoveLock {
public:
    virtual ~HeldMoveLock() = default;
};

// What came of asking for the lock.
struct MoveLockGrant {
    enum class Answer {
        taken,      // nobody held it
        takenOver,  // a run that held it ended without giving it back (killed): what it was
                    // doing may have stopped half-way
        busy,       // another run held it for the whole wait, or it could not be made at all
    };
    Answer answer = Answer::busy;
    std::unique_ptr<HeldMoveLock> held;  // null when busy
};

class Services {
public:
    virtual ~Services() = default;

    // Paths are UTF-16, as the system holds them, so that a folder name outside the ANSI code
    // page is found and moved as it is.
    //
    // Packed DOS date (high 16 bits) and time (low 16 bits) of the file's last write, in local
    // time; -1 when the name is not found, names a directory, or its time has no DOS form.
    virtual int32_t fileAge(const std::u16string& path) = 0;
    // True when the name is found and the first entry found is not a directory, whatever its
    // time stamp (a setup.exe stamped 1970 is still a file).
    virtual bool fileExists(const std::u16string& path) = 0;
    // True when the path names a directory. Found by its attributes, never by entering it: a
    // process's current directory holds its folder open, and a folder held open cannot be moved.
    virtual bool directoryProbe(const std::u16string& path) = 0;
    // Renames without replacing an existing target; true on success.
    virtual bool moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) = 0;
    // Starts a command line, shown the default way, without waiting; true when it started. Every
    // start runs the program in the system directory, and isreloc's own current directory moves
    // there first: nothing of isreloc may stay inside the folders an uninstaller removes.
    virtual bool launch(const std::u16string& commandLine) = 0;
    // Starts the command the same way and returns only when it and every process it started
    // (its job) have ended; a process that cannot join a job is waited for alone. With a time
    // limit, returns when that has passed, leaving whatever still runs running (timedOut).
    // Not started: started is false.
    virtual LaunchOutcome launchAndWait(const std::u16string& commandLine,
                                        const std::optional<uint32_t>& timeLimitSeconds) = 0;
    // The text with its %NAME% environment references expanded; the text unchanged when that fails.
    virtual std::u16string expandWideEnvironment(const std::u16string& text) = 0;
    // True while the handle names a window; 0 names none.
    virtual bool windowAlive(int32_t window) = 0;
    virtual void pauseFor(uint32_t milliseconds) = 0;
    // Leaves whatever folder isreloc was started in for the system directory, which nothing
    // removes or moves: an installer may start isreloc inside the very folder it is to move.
    // Nothing changes when that cannot be done.
    virtual void enterSystemDirectory() = 0;
    // One message box with no owner window; returns when the user has closed it.
    virtual void showMessage(const std::string& text, const std::string& caption, uint32_t flags) = 0;
    // Whether the process's window station has a screen someone can see. A service's, or
    // SYSTEM's in session 0, has none, and a box there waits for an answer that never comes.
    // True when it cannot be told, which is how isreloc always behaved.
    virtual bool interactiveWindowStation() = 0;

    // The log's needs. 8-bit text as the system's ANSI calls read it, in UTF-16.
    virtual std::u16string widenAnsi(const std::string& text) = 0;
    // The path made absolute against the current directory now; as given when that fails.
    virtual std::u16string fullPath(const std::u16string& path) = 0;
    // Opens the file for adding to its end, creating it, shared so that others may read and
    // write it meanwhile; null when it cannot be opened.
    virtual std::unique_ptr<AppendFile> openForAppending(const std::u16string& path) = 0;
    virtual LocalTime localTime() = 0;
    // Takes the lock on moves, waiting at most this long for a run that holds it to give it back.
    virtual MoveLockGrant takeMoveLock(uint32_t waitMilliseconds) = 0;

    // One line for the run's log, when one is kept; nothing otherwise. For what only a mode can
    // tell, such as why it left the product where it is.
    virtual void logNote(const std::string& text) { (void)text; }
};
