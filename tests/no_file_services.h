#pragma once
// Recording services for code that must never touch files: any file question fails the test.
#include <gtest/gtest.h>

#include <string>

#include "platform/services/recording_services.h"

class NoFileServices final : public RecordingServices {
public:
    int32_t fileAge(const std::string& path) override {
        ADD_FAILURE() << "unexpected fileAge " << path;
        return -1;
    }
    bool fileExists(const std::string& path) override {
        ADD_FAILURE() << "unexpected fileExists " << path;
        return false;
    }
    bool directoryProbe(const std::string& path) override {
        ADD_FAILURE() << "unexpected directoryProbe " << path;
        return false;
    }
    bool moveDirectory(const std::string& oldPath, const std::string&) override {
        ADD_FAILURE() << "unexpected moveDirectory " << oldPath;
        return false;
    }
    void enterSystemDirectory() override {}
};
