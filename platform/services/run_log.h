#pragma once
// The log a run keeps for whoever started it without watching (a deployment engine running as
// SYSTEM, a script): UTF-8 lines appended to one file, each beginning with the local time in
// ISO 8601 and a space. A text with line breaks becomes several lines, each with its time and
// the later ones indented. A line that cannot be written is lost and changes nothing else.
#include <memory>
#include <string>

#include "platform/services/services.h"

class RunLog {
public:
    // An empty path keeps no log. Any other is made whole now, against the folder isreloc was
    // started in, before it leaves that folder.
    RunLog(Services& system, const std::u16string& path);

    bool kept() const { return !path_.empty(); }
    // Never raises.
    void write(const std::string& utf8Text) noexcept;
    // The same for 8-bit text as the system's ANSI calls read it (paths, box texts).
    void writeAnsi(const std::string& ansiText) noexcept;

private:
    Services& system_;
    std::u16string path_;
    // Opened at the first line and held until the run ends; tried once.
    std::unique_ptr<AppendFile> file_;
    bool opened_ = false;
};

// "2024-03-09T14:05:07.042": date, time and milliseconds, no zone.
std::string isoLocalTime(const LocalTime& time);
