// SIGINT, SIGTERM and SIGHUP while a change of a game file or an output is under way: the
// signal is noted instead of ending the program at once, the work stops at its next check
// and undoes what it did (a rollback, a temporary file removed), and the program then ends
// by the same signal, with the status a shell expects.
#pragma once

namespace valmor {

// While one is alive, the three signals are noted rather than acted on. Guards nest; the
// signals' own handling comes back when the outermost one goes.
class InterruptionGuard {
public:
    InterruptionGuard();
    ~InterruptionGuard();
    InterruptionGuard(const InterruptionGuard&) = delete;
    InterruptionGuard& operator=(const InterruptionGuard&) = delete;
};

// Throws DataError(Interrupted, naming the signal) once a signal has been noted.
void throwIfInterrupted();

// The signal noted under a guard, 0 when none. The program's end ends by it (see
// endByNotedSignal).
int notedSignal();

// Ends the program by the noted signal, as if it had not been caught; returns when none
// was noted.
void endByNotedSignal();

} // namespace valmor
