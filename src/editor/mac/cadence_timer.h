#pragma once
// The repeating main-run-loop timer behind the cadence clocks on Apple.
// Plain C declarations, so C++ code can call them; main thread only.

extern "C" {
/// A retained repeating timer on the current run loop calling `tick(context)`
/// every `intervalSeconds` (0 or below: 1/30 s); null when `tick` is null.
__attribute__((visibility("default"))) void* talvoStartCadenceClock(void (*tick)(void* context),
                                                                    void* context, double intervalSeconds);
/// Invalidates and releases a timer from talvoStartCadenceClock; null does nothing.
__attribute__((visibility("default"))) void talvoStopCadenceClock(void* timer);
}
