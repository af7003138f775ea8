#pragma once
// The real modes behind the program's dispatch: each run gets the registry, the services and
// the program's own path.
#include "app/command_line.h"
#include "app/program.h"
#include "platform/registry/registry_api.h"
#include "platform/services/services.h"

class RelocationModes : public ModeRunner {
public:
    RelocationModes(RegistryApi& registry, Services& services, CommandLine& commandLine,
                    const StartSettings& start = StartSettings())
        : registry_(registry), services_(services), commandLine_(commandLine), start_(start) {}

    void relocateInstallation(const ArgumentList& arguments) override;
    void restoreInstallation(const ArgumentList& arguments) override;
    void modifyInstallation(const ArgumentList& arguments) override;

private:
    ModeContext contextFor(const ArgumentList& arguments);

    RegistryApi& registry_;
    Services& services_;
    CommandLine& commandLine_;
    StartSettings start_;
};
