// The engine's sleep. Production callers pass milliseconds; tests scale every sleep down so that
// a two-minute pause between ping sweeps lasts a few milliseconds.
#pragma once

// Pauses the calling thread for `milliseconds` times the current scale.
void TolSleep(unsigned long milliseconds);

// Sets the factor applied to every later TolSleep (1.0 at start; 0 makes sleeps return at once
// after yielding). The environment variable TOL_SLEEP_SCALE, read once at first use, sets the
// initial factor. Thread-safe.
void TolSetSleepScale(double scale);
double TolGetSleepScale();

// Ends every pause in progress and makes later ones return at once (after yielding), until
// TolResumeSleeps. The engine calls it when its run is over, so that a thread pausing between
// two rounds of work (the agent's ping cycle) goes on at once to find that nothing is left to do.
// Thread-safe.
void TolEndSleeps();
// Lets pauses last their time again. Thread-safe.
void TolResumeSleeps();
