#pragma once
// The services for tests on Linux: real files and directories below a root folder, addressed
// by the Windows paths the modes build, and everything else recorded (see RecordingServices).
//
// How a Windows path finds its place below the root folder:
//   "C:\Program Files\x"  ->  <root>/C/Program Files/x   (the drive letter upper-cased)
//   "\Program Files\x"    ->  the same, on the drive of the current directory
//   "x\y", ".\x", "x"     ->  below the current directory
//   "D:x"                 ->  below the current directory when it is on D:, else below D:'s top
// '\' and '/' both separate names; "." is dropped and ".." climbs one folder but never above
// its drive, as Windows resolves them, so no path reaches outside the root folder. Names are
// compared case-sensitively, unlike Windows. UNC and device paths ("\\server\share", "\\?\C:")
// have no place and read as absent. The current directory is the backend's own: the test
// process's working directory is never changed.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/recording_services.h"

class PosixServices final : public RecordingServices {
public:
    // The root folder must exist; the current directory starts at the given Windows path.
    explicit PosixServices(std::string rootFolder, const std::string& currentDirectory = "C:\\");

    // The backend's current directory as a Windows path, e.g. "C:\Program Files".
    std::string currentDirectory() const;
    // Where a Windows path lies below the root folder, resolved against the current directory.
    // Raises std::invalid_argument for a path that has no place there.
    std::string hostPath(const std::string& windowsPath) const;

    // Test set-up; each raises std::runtime_error when it cannot do its work.
    // A folder with every missing folder above it.
    void makeDirectory(const std::string& windowsPath) const;
    // A file with the given contents; its folder must exist. A read-only file has no write bits,
    // which is what stands for Windows' read-only and hidden attributes here.
    void makeFile(const std::string& windowsPath, const std::string& contents = "", bool readOnly = false) const;
    // Stamps the last-write time of an existing file or folder.
    void stampLastWrite(const std::string& windowsPath, std::time_t lastWrite) const;

    // Paths reach the host's folders in UTF-8.
    int32_t fileAge(const std::u16string& path) override;
    bool fileExists(const std::u16string& path) override;
    bool directoryProbe(const std::u16string& path) override;
    bool moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) override;
    // The system directory below the root folder, whether or not a test made it.
    void enterSystemDirectory() override;

private:
    // A path as Windows resolves it: its drive letter and the folder names below the drive.
    struct ResolvedPath {
        char drive = 'C';
        std::vector<std::string> names;
    };

    std::optional<ResolvedPath> resolve(const std::string& windowsPath) const;
    std::string hostPathOf(const ResolvedPath& path) const;
    // The host path of the first entry a Windows file search for the path would find.
    std::optional<std::string> findFirstEntry(const std::string& windowsPath) const;

    std::string rootFolder_;
    ResolvedPath currentDirectory_;
};
