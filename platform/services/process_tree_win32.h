#pragma once
// Starting a program and waiting for it and everything it starts, through a job object and an
// I/O completion port.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/services/services.h"

// Starts the command line suspended in the directory, puts the process into a job, resumes it,
// and returns once the job has no process left (or, when the process cannot join a job, once it
// has ended itself), or once the time limit has passed. The exit code is the started process's
// own, as the system reports it.
LaunchOutcome startAndWaitForTree(const std::u16string& commandLine, const std::u16string& directory,
                                  const std::optional<uint32_t>& timeLimitSeconds);
