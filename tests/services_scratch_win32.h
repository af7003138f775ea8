#pragma once
// A throw-away folder below the user's temporary folder, served by Win32Services. The process's
// current directory is put back before the folder goes, since a probe may have moved it there.
#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/services/services_win32.h"
#include "services_stamp.h"

class ServicesScratch {
public:
    ServicesScratch() : originalDirectory_(processDirectory()), base_(makeBase()) {}
    ~ServicesScratch() {
        SetCurrentDirectoryA(originalDirectory_.c_str());
        for (const std::string& file : readOnlyFiles_) {
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        std::error_code ignored;
        std::filesystem::remove_all(base_, ignored);
    }
    ServicesScratch(const ServicesScratch&) = delete;
    ServicesScratch& operator=(const ServicesScratch&) = delete;

    Services& services() { return services_; }
    std::string path(const std::string& relative) const { return base_ + "\\" + relative; }
    std::string currentDirectory() const { return processDirectory(); }
    bool onDisk(const std::string& relative) const { return GetFileAttributesA(path(relative).c_str()) != INVALID_FILE_ATTRIBUTES; }

    void makeDirectory(const std::string& relative) {
        if (!CreateDirectoryA(path(relative).c_str(), nullptr)) {
            throw std::runtime_error("cannot make the folder " + relative);
        }
    }
    void makeFile(const std::string& relative, const LocalStamp& lastWrite, FileLook look = FileLook::plain) {
        const std::string file = path(relative);
        {
            const OwnedHandle handle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
            SYSTEMTIME wallClock{};
            wallClock.wYear = static_cast<WORD>(lastWrite.year);
            wallClock.wMonth = static_cast<WORD>(lastWrite.month);
            wallClock.wDay = static_cast<WORD>(lastWrite.day);
            wallClock.wHour = static_cast<WORD>(lastWrite.hour);
            wallClock.wMinute = static_cast<WORD>(lastWrite.minute);
            wallClock.wSecond = static_cast<WORD>(lastWrite.second);
            FILETIME local{};
            FILETIME universal{};
            DWORD written = 0;
            if (handle.get() == INVALID_HANDLE_VALUE || !WriteFile(handle.get(), "marker", 6, &written, nullptr) ||
                !SystemTimeToFileTime(&wallClock, &local) || !LocalFileTimeToFileTime(&local, &universal) ||
                !SetFileTime(handle.get(), &universal, &universal, &universal)) {
                throw std::runtime_error("cannot make the file " + relative);
            }
        }
        if (look == FileLook::hiddenReadOnly) {
            if (!SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) {
                throw std::runtime_error("cannot hide the file " + relative);
            }
            readOnlyFiles_.push_back(file);
        }
    }
    void setEnvironment(const std::string& name, const std::string& value) {
        if (!SetEnvironmentVariableA(name.c_str(), value.c_str())) {
            throw std::runtime_error("cannot set " + name);
        }
    }

private:
    class OwnedHandle {
    public:
        explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
        ~OwnedHandle() {
            if (handle_ != INVALID_HANDLE_VALUE) {
                CloseHandle(handle_);
            }
        }
        OwnedHandle(const OwnedHandle&) = delete;
        OwnedHandle& operator=(const OwnedHandle&) = delete;
        HANDLE get() const { return handle_; }

    private:
        HANDLE handle_;
    };

    static std::string processDirectory() {
        char buffer[MAX_PATH + 1] = {};
        const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
        return std::string(buffer, length < sizeof buffer ? length : 0);
    }

    static std::string makeBase() {
        static unsigned counter = 0;
        char temporary[MAX_PATH + 1] = {};
        if (GetTempPathA(sizeof temporary, temporary) == 0) {
            throw std::runtime_error("no temporary folder");
        }
        const std::string base = std::string(temporary) + "isreloc-services-" + std::to_string(GetCurrentProcessId()) +
                                 "-" + std::to_string(++counter);
        if (!CreateDirectoryA(base.c_str(), nullptr)) {
            throw std::runtime_error("cannot make the scratch folder " + base);
        }
        return base;
    }

    std::string originalDirectory_;
    std::string base_;
    std::vector<std::string> readOnlyFiles_;
    Win32Services services_;
};
