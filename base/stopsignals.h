#pragma once

// The signals that tell a program to stop (SIGINT, SIGTERM, SIGHUP), handled so that they can never cut a
// transfer that must not be cut: while a TStopHold lives (a firmware image going out), a stop is only
// recorded; the program looks at it when the image is done (StopRequested) and ends in order. Outside a
// hold a stop runs the program's stop action at once. SIGPIPE is ignored: a write to a closed pipe fails
// with EPIPE and is reported like any other write error instead of ending the program mid-transfer.
//
// The handler only passes the signal on through a pipe; a watcher thread decides under a lock, so that a
// hold beginning and a stop arriving can never both win. Without InstallStopSignals (tests, libraries) the
// holds are counted and nothing else happens.

namespace mirca {

// Ends the program for a stop signal; runs on the watcher thread with new holds locked out. Must not
// return.
using TStopAction = void (*)(int signal);
// Told on the watcher thread that a stop arrived during a hold and waits for it to end.
using TStopHeldNote = void (*)(int signal);

// Once per process; later calls change nothing. `held` may be null.
void InstallStopSignals(TStopAction action, TStopHeldNote held = nullptr);

// The program's default end: temporaries of unfinished file writes removed, then the signal's own
// default action (the parent sees the program die of the signal it sent).
[[noreturn]] void StopByDefault(int signal);

// While one exists, stop signals are held back. Holds nest.
class TStopHold {
public:
    TStopHold();
    ~TStopHold();
    TStopHold(const TStopHold&) = delete;
    TStopHold& operator=(const TStopHold&) = delete;
};

// The first stop signal that arrived during a hold, 0 when none did.
int StopRequested();

// Runs the stop action for a stop that was held back (after the program has said what became of the work
// it held for); does nothing when none was.
void StopIfRequested();

// For tests: a stop as though the signal had arrived now, and the held stop forgotten again.
void DeliverStopForTests(int signal);
void ClearStopForTests();

}  // namespace mirca
