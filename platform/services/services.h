#pragma once
// The seam between the two modes and the operating system for everything that is not registry
// or text work: files, directories, the parent window, pauses, starting a program and message
// boxes. None of these raises; every system failure becomes a false result or is ignored.
// Backends: Win32Services (the real system) and PosixServices (real files under a folder,
// with the window test, pauses, launches and boxes recorded for tests).
#include <cstdint>
#include <string>

// Box flags the system uses.
constexpr uint32_t kTaskModalError = 0x2010;        // MB_TASKMODAL | MB_ICONERROR
constexpr uint32_t kTaskModalInformation = 0x2040;  // MB_TASKMODAL | MB_ICONINFORMATION

class Services {
public:
    virtual ~Services() = default;

    // Packed DOS date (high 16 bits) and time (low 16 bits) of the file's last write, in local
    // time; -1 when the name is not found, names a directory, or its time has no DOS form.
    virtual int32_t fileAge(const std::string& path) = 0;
    // True when the name is found and the first entry found is not a directory, whatever its
    // time stamp (a setup.exe stamped 1970 is still a file).
    virtual bool fileExists(const std::string& path) = 0;
    // Makes the path the current directory; true when that worked. The current directory stays
    // changed on success and unchanged on failure.
    virtual bool directoryProbe(const std::string& path) = 0;
    // Renames without replacing an existing target; true on success.
    virtual bool moveDirectory(const std::string& oldPath, const std::string& newPath) = 0;
    // Starts a command line, shown the default way; does not wait and reports nothing.
    virtual void launchCommand(const std::string& commandLine) = 0;
    // The same start for a command line in UTF-16, so that a command naming paths outside the
    // ANSI code page starts as stored.
    virtual void launchWideCommand(const std::u16string& commandLine) = 0;
    // The text with its %NAME% environment references expanded; the text unchanged when that fails.
    virtual std::u16string expandWideEnvironment(const std::u16string& text) = 0;
    // True while the handle names a window; 0 names none.
    virtual bool windowAlive(int32_t window) = 0;
    virtual void pauseFor(uint32_t milliseconds) = 0;
    // One message box with no owner window; returns when the user has closed it.
    virtual void showMessage(const std::string& text, const std::string& caption, uint32_t flags) = 0;
};
