#include "tests/support/services_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/text/utf8.h"

#include "platform/text/text.h"

namespace {

bool isSeparator(char character) { return character == '\\' || character == '/'; }

bool isAsciiLetter(char character) {
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z');
}

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// '*' stands for any run of characters, '?' for any one, as in a Windows file search.
bool matchesPattern(const std::string& pattern, const std::string& name) {
    std::size_t inPattern = 0;
    std::size_t inName = 0;
    std::size_t starAt = std::string::npos;
    std::size_t starMatchedUpTo = 0;
    while (inName < name.size()) {
        if (inPattern < pattern.size() && (pattern[inPattern] == '?' || pattern[inPattern] == name[inName])) {
            ++inPattern;
            ++inName;
        } else if (inPattern < pattern.size() && pattern[inPattern] == '*') {
            starAt = inPattern++;
            starMatchedUpTo = inName;
        } else if (starAt != std::string::npos) {
            inPattern = starAt + 1;
            inName = ++starMatchedUpTo;
        } else {
            return false;
        }
    }
    while (inPattern < pattern.size() && pattern[inPattern] == '*') {
        ++inPattern;
    }
    return inPattern == pattern.size();
}

// The packed DOS date and time of a moment in local time; -1 outside the years a DOS date holds.
int32_t packedDosTime(std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) {
        return -1;
    }
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) {
        return -1;
    }
    const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    const uint32_t time = static_cast<uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    return static_cast<int32_t>((date << 16) | time);
}

// Replaces nothing that is already there, as MoveFileA without flags does.
bool renameWithoutReplacing(const std::string& source, const std::string& target) {
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system that cannot refuse to replace: test first. Nothing else runs in a test tree.
    struct stat status {};
    if (lstat(target.c_str(), &status) == 0 || errno != ENOENT) {
        return false;
    }
    return std::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace

PosixServices::PosixServices(std::string rootFolder, const std::string& currentDirectory)
    : rootFolder_(std::move(rootFolder)) {
    const auto start = resolve(currentDirectory);
    if (!start) {
        throw std::invalid_argument("no place below the root folder for " + currentDirectory);
    }
    currentDirectory_ = *start;
}

std::string PosixServices::currentDirectory() const {
    std::string path{currentDirectory_.drive, ':'};
    for (const std::string& name : currentDirectory_.names) {
        path += '\\' + name;
    }
    return currentDirectory_.names.empty() ? path + '\\' : path;
}

std::string PosixServices::hostPath(const std::string& windowsPath) const {
    const auto resolved = resolve(windowsPath);
    if (!resolved) {
        throw std::invalid_argument("no place below the root folder for " + windowsPath);
    }
    return hostPathOf(*resolved);
}

void PosixServices::makeDirectory(const std::string& windowsPath) const {
    std::error_code error;
    std::filesystem::create_directories(hostPath(windowsPath), error);
    if (error) {
        throw std::runtime_error("cannot make the folder " + windowsPath + ": " + error.message());
    }
}

void PosixServices::makeFile(const std::string& windowsPath, const std::string& contents, bool readOnly) const {
    const std::string host = hostPath(windowsPath);
    {
        std::ofstream file(host, std::ios::binary | std::ios::trunc);
        if (!(file << contents) || !file.flush()) {
            throw std::runtime_error("cannot write the file " + windowsPath);
        }
    }
    if (readOnly && chmod(host.c_str(), S_IRUSR | S_IRGRP | S_IROTH) != 0) {
        throw std::runtime_error("cannot make the file read-only: " + windowsPath);
    }
}

void PosixServices::stampLastWrite(const std::string& windowsPath, std::time_t lastWrite) const {
    const timespec times[2] = {{lastWrite, 0}, {lastWrite, 0}};
    if (utimensat(AT_FDCWD, hostPath(windowsPath).c_str(), times, 0) != 0) {
        throw std::runtime_error("cannot stamp " + windowsPath);
    }
}

int32_t PosixServices::fileAge(const std::u16string& path) {
    const auto entry = findFirstEntry(utf8FromUtf16(path));
    struct stat status {};
    if (!entry || stat(entry->c_str(), &status) != 0 || S_ISDIR(status.st_mode)) {
        return -1;
    }
    return packedDosTime(status.st_mtime);
}

bool PosixServices::fileExists(const std::u16string& path) {
    const auto entry = findFirstEntry(utf8FromUtf16(path));
    struct stat status {};
    return entry && stat(entry->c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool PosixServices::directoryProbe(const std::u16string& path) {
    const auto target = resolve(utf8FromUtf16(path));
    if (!target) {
        return false;
    }
    const std::string host = hostPathOf(*target);
    struct stat status {};
    return stat(host.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void PosixServices::enterSystemDirectory() {
    if (const auto system = resolve("C:\\Windows\\System32")) currentDirectory_ = *system;
}

bool PosixServices::moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) {
    const auto source = resolve(utf8FromUtf16(oldPath));
    const auto target = resolve(utf8FromUtf16(newPath));
    if (!source || !target || source->names.empty() || target->names.empty()) {
        return false;
    }
    return renameWithoutReplacing(hostPathOf(*source), hostPathOf(*target));
}

std::optional<PosixServices::ResolvedPath> PosixServices::resolve(const std::string& windowsPath) const {
    // The system reads a path up to its first zero byte.
    const std::string path(windowsPath.c_str());
    if (path.empty()) {
        return std::nullopt;
    }
    ResolvedPath resolved = currentDirectory_;
    std::size_t next = 0;
    const bool hasDrive = path.size() >= 2 && path[1] == ':' && isAsciiLetter(path[0]);
    if (hasDrive) {
        const char drive = upperAscii(std::string(1, path[0]))[0];
        if (drive != resolved.drive) {
            resolved = ResolvedPath{drive, {}};
        }
        next = 2;
    } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        return std::nullopt;
    }
    if (next < path.size() && isSeparator(path[next])) {
        resolved.names.clear();
    }
    while (next <= path.size()) {
        std::size_t end = next;
        while (end < path.size() && !isSeparator(path[end])) {
            ++end;
        }
        const std::string name = path.substr(next, end - next);
        if (name == "..") {
            if (!resolved.names.empty()) {
                resolved.names.pop_back();
            }
        } else if (!name.empty() && name != ".") {
            resolved.names.push_back(name);
        }
        next = end + 1;
    }
    return resolved;
}

std::string PosixServices::hostPathOf(const ResolvedPath& path) const {
    std::string host = rootFolder_ + '/' + path.drive;
    for (const std::string& name : path.names) {
        host += '/' + name;
    }
    return host;
}

std::optional<std::string> PosixServices::findFirstEntry(const std::string& windowsPath) const {
    // A search finds nothing for a drive or a name ending in a separator, and takes wildcards
    // only in the last name.
    const std::string path(windowsPath.c_str());
    if (!path.empty() && isSeparator(path.back())) {
        return std::nullopt;
    }
    auto resolved = resolve(path);
    if (!resolved || resolved->names.empty() ||
        std::any_of(resolved->names.begin(), resolved->names.end() - 1, hasWildcard)) {
        return std::nullopt;
    }
    if (!hasWildcard(resolved->names.back())) {
        return hostPathOf(*resolved);
    }
    const std::string pattern = resolved->names.back();
    resolved->names.pop_back();
    const std::string folder = hostPathOf(*resolved);
    // Windows hands out matches in the order of its directory; sorted names stand in for it.
    std::optional<std::string> first;
    std::error_code error;
    for (auto entry = std::filesystem::directory_iterator(folder, error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (matchesPattern(pattern, name) && (!first || name < *first)) {
            first = name;
        }
    }
    if (!first) {
        return std::nullopt;
    }
    return folder + '/' + *first;
}
