#pragma once
// The real modes behind the program's dispatch: each run gets the registry, the services and
// the program's own path.
#include "app/command_line.h"
#include "app/program.h"
#include "platform/registry/registry_api.h"
#include "platform/services/services.h"

class RelocationModes : public ModeRunner {
public:
    // What each mode's boxes and starts tell is added to outcome.
    RelocationModes(RegistryApi& registry, Services& services, CommandLine& commandLine, RunOutcome& outcome,
                    const StartSettings& start = StartSettings())
        : registry_(registry), services_(services), commandLine_(commandLine), outcome_(outcome), start_(start) {}

    void relocateInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) override;
    void restoreInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) override;
    void modifyInstallation(const ArgumentList& arguments, const std::vector<std::u16string>& written) override;

private:
    void run(void (*mode)(ModeContext&), const ArgumentList& arguments, const std::vector<std::u16string>& written);

    RegistryApi& registry_;
    Services& services_;
    CommandLine& commandLine_;
    RunOutcome& outcome_;
    StartSettings start_;
};
