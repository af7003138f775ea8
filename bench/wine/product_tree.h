#pragma once
// The product that the timed runs move: its uninstall key, grown to a chosen size through
// advapi32, and its maintenance directory below a scratch program-files folder.
#include <cstdint>
#include <optional>
#include <string>

struct TreeShape {
    int subkeys = 100;
    int valuesPerSubkey = 100;
};

// In upper case, as isreloc spells the name it moves.
extern const char* const kBenchGuid;
// "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name (no leading backslash).
std::string uninstallKeyPath(const std::string& name);

// The product key's own values (DisplayName, UninstallString, ...) plus shape.subkeys component
// subkeys of shape.valuesPerSubkey values each, of the kinds installers write. Returns the
// number of values written, or 0 when a write was refused.
int seedProductKey(const std::string& keyPath, const TreeShape& shape);
// Every value in the key and all its subkeys; nothing when the key is missing.
std::optional<int64_t> countTreeValues(const std::string& keyPath);

// Points ProgramFilesDir at a scratch folder for as long as it lives, and puts the machine's own
// value back (or removes it, when there was none) afterwards, with the scratch folder gone.
class ScratchProgramFiles {
public:
    explicit ScratchProgramFiles(std::string folder);
    ~ScratchProgramFiles();
    ScratchProgramFiles(const ScratchProgramFiles&) = delete;
    ScratchProgramFiles& operator=(const ScratchProgramFiles&) = delete;

    bool ready() const { return ready_; }
    // "<folder>\\InstallShield Installation Information\\"
    std::string maintenanceRoot() const;
    // A fresh maintenance directory for name, holding setup.exe; false when it could not be made.
    bool makeMaintenanceDirectory(const std::string& name) const;
    void removeMaintenanceDirectories() const;

private:
    std::string folder_;
    std::optional<std::string> original_;
    bool ready_ = false;
};
