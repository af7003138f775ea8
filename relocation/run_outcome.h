#pragma once
// How a run ended, noted as it goes: what a run nobody watches tells through its exit code. Each
// box notes what it tells (the command line refused, or something wrong on the machine) and each
// start what became of it, so that the exit code never depends on a box's words.
#include <optional>

#include "platform/services/services.h"

class RunOutcome {
public:
    // The command line cannot be run as given: usage, a missing option, a malformed value.
    void noteRefusal() { refused_ = true; }
    // Something on the machine is in the way or went wrong, or the program to start could not be
    // started or was not there to start.
    void noteFailure() { failed_ = true; }
    // Another run kept the lock on moves for as long as this one could wait: nothing was changed,
    // and the same command may be tried again.
    void noteBusy() { busy_ = true; }
    // The product's program started, and the run did not wait for it.
    void noteStarted() { started_ = true; }
    // The product's program was waited for and came to this.
    void noteWaited(const LaunchOutcome& outcome) { waited_ = outcome; }

    bool refused() const { return refused_; }
    bool failed() const { return failed_; }
    bool busy() const { return busy_; }
    bool started() const { return started_; }
    const std::optional<LaunchOutcome>& waited() const { return waited_; }

    // Adds what another part of the run noted.
    void absorb(const RunOutcome& other) {
        refused_ = refused_ || other.refused_;
        failed_ = failed_ || other.failed_;
        busy_ = busy_ || other.busy_;
        started_ = started_ || other.started_;
        if (other.waited_) waited_ = other.waited_;
    }

private:
    bool refused_ = false;
    bool failed_ = false;
    bool busy_ = false;
    bool started_ = false;
    std::optional<LaunchOutcome> waited_;
};
