#pragma once

// The exit statuses of a check (see the README's table).
enum ExitStatus : int {
    kChecked = 0,         // the check ran to its end line
    kFailed = 1,          // the run failed: error message shown, log stops at the failing step
    kNotStored = 2,       // ran to its end line, but a default or an exemption was not stored
    kAlreadyRunning = 3,  // another check of the same profile and log is under way: nothing done
};

namespace platform {
struct RunFailure;
}

// One check of the mail store, from the start line to the end line, and its
// exit status. A failure of the check itself is shown as the error message
// and gives kFailed; one before the check could start (the exe's own
// location, or the lock that keeps a second copy out) throws
// platform::RunFailure out of it, for the entry point to show.
int Main();

// Ends a run with a failure: reports it to the event log, then shows the
// error message (which may wait long for the user), and gives kFailed.
int EndWithFailure(const platform::RunFailure& failure);
