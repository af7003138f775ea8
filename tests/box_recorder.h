#pragma once
// Services that only record message boxes: for tests of code that shows boxes and nothing else.
#include <string>
#include <vector>

#include "platform/services/services.h"

struct RecordedBox {
    std::string text, caption;
    uint32_t flags;
};

class BoxRecorder : public Services {
public:
    int32_t fileAge(const std::string&) override { return -1; }
    bool fileExists(const std::string&) override { return false; }
    bool directoryProbe(const std::string&) override { return false; }
    bool moveDirectory(const std::string&, const std::string&) override { return false; }
    void launchCommand(const std::string&) override {}
    std::string expandEnvironment(const std::string& text) override { return text; }
    bool windowAlive(int32_t) override { return false; }
    void pauseFor(uint32_t) override {}
    void showMessage(const std::string& text, const std::string& caption, uint32_t flags) override {
        boxes.push_back({text, caption, flags});
    }

    std::vector<RecordedBox> boxes;
};
