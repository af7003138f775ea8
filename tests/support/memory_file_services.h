#pragma once
// Services whose files and folders live in memory and follow Windows' own rules, for tests and
// fuzzing that run whole modes thousands of times: drive letters and a current directory, names
// matched without regard to letter case, trailing dots and spaces dropped from the last name of
// a path (and one trailing dot from the others) as Windows normalises paths, the characters no
// name may hold refused, paths longer than the long-path prefix allows refused, wildcards in a
// file search, a system directory, and a directory that is the current directory, or holds it,
// that cannot be renamed. Everything that is not files is recorded (see RecordingServices).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/recording_services.h"

class MemoryFileServices final : public RecordingServices {
public:
    MemoryFileServices();

    // Test set-up; each returns false when Windows would refuse the path.
    bool makeDirectory(const std::string& windowsPath);  // with every missing folder above it
    bool makeFile(const std::string& windowsPath, const std::string& contents = "");  // its folder must exist
    // Removes a folder with all it holds, or a file, as an uninstaller would; false when missing.
    bool removeTree(const std::string& windowsPath);
    // Makes the folder the current directory, as a process started there inherits it; false when
    // there is no such folder.
    bool enterDirectory(const std::string& windowsPath);

    // Every entry as (path as spelt, "<dir>" or the file's contents), ordered by the path folded
    // for case: two machines are the same exactly when these are equal.
    std::map<std::string, std::pair<std::string, std::string>> entries() const;
    // The current directory as a Windows path ("C:\" at the start).
    std::string currentDirectory() const;
    // The path as Windows resolves it, folded for case as entries() keys it; empty when Windows
    // would refuse it.
    std::string foldedPath(const std::string& windowsPath) const;

    int32_t fileAge(const std::u16string& path) override;
    bool fileExists(const std::u16string& path) override;
    bool directoryProbe(const std::u16string& path) override;
    bool moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) override;
    void enterSystemDirectory() override;

private:
    struct Node {
        std::string name;  // as spelt when made
        bool directory = true;
        std::string contents;
        std::map<std::string, Node> children;  // by folded name
    };
    struct Resolved {
        char drive = 'C';
        std::vector<std::string> names;
    };

    std::optional<Resolved> resolve(const std::string& windowsPath, bool allowWildcards = false) const;
    Node* find(const Resolved& path);
    const Node* find(const Resolved& path) const;
    std::optional<std::pair<std::string, const Node*>> findFirst(const std::string& path) const;
    static std::string fold(const std::string& name);
    static std::string latin1Path(const std::u16string& path);
    static std::string spell(const Resolved& path);

    std::map<char, Node> drives_;
    Resolved current_;
};
