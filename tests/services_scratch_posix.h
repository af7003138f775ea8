#pragma once
// A throw-away folder served by PosixServices: the tests see it as "C:\scratch".
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "services_stamp.h"
#include "tests/support/services_posix.h"

class ServicesScratch {
public:
    ServicesScratch() : root_(makeRoot()), services_(root_) { services_.makeDirectory(kBase); }
    ~ServicesScratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ServicesScratch(const ServicesScratch&) = delete;
    ServicesScratch& operator=(const ServicesScratch&) = delete;

    Services& services() { return services_; }
    // The Windows path of a name inside the scratch folder.
    std::string path(const std::string& relative) const { return std::string(kBase) + "\\" + relative; }
    std::string currentDirectory() const { return services_.currentDirectory(); }
    bool onDisk(const std::string& relative) const {
        return std::filesystem::exists(services_.hostPath(path(relative)));
    }

    void makeDirectory(const std::string& relative) { services_.makeDirectory(path(relative)); }
    void makeFile(const std::string& relative, const LocalStamp& lastWrite, FileLook look = FileLook::plain) {
        services_.makeFile(path(relative), "marker", look == FileLook::hiddenReadOnly);
        std::tm local{};
        local.tm_year = lastWrite.year - 1900;
        local.tm_mon = lastWrite.month - 1;
        local.tm_mday = lastWrite.day;
        local.tm_hour = lastWrite.hour;
        local.tm_min = lastWrite.minute;
        local.tm_sec = lastWrite.second;
        local.tm_isdst = -1;
        services_.stampLastWrite(path(relative), std::mktime(&local));
    }
    void setEnvironment(const std::string& name, const std::string& value) { services_.setEnvironment(name, value); }

private:
    static constexpr const char* kBase = "C:\\scratch";

    static std::string makeRoot() {
        std::string pattern = (std::filesystem::temp_directory_path() / "isreloc-services-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch folder");
        }
        return pattern;
    }

    std::string root_;
    PosixServices services_;
};
