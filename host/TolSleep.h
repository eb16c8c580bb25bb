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
