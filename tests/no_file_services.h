#pragma once
// Recording services for code that must never touch files: any file question fails the test.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/utf8.h"
#include "tests/support/recording_services.h"

class NoFileServices final : public RecordingServices {
public:
    int32_t fileAge(const std::u16string& path) override {
        ADD_FAILURE() << "unexpected fileAge " << utf8FromUtf16(path);
        return -1;
    }
    bool fileExists(const std::u16string& path) override {
        ADD_FAILURE() << "unexpected fileExists " << utf8FromUtf16(path);
        return false;
    }
    bool directoryProbe(const std::u16string& path) override {
        ADD_FAILURE() << "unexpected directoryProbe " << utf8FromUtf16(path);
        return false;
    }
    bool moveDirectory(const std::u16string& oldPath, const std::u16string&) override {
        ADD_FAILURE() << "unexpected moveDirectory " << utf8FromUtf16(oldPath);
        return false;
    }
    void enterSystemDirectory() override {}
};
