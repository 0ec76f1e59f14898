#pragma once
// The engine's time base: a monotonic counter with a fixed frequency, and the process-wide timer
// precision the workers' waits rely on.
#include <cstdint>

namespace velotap {

// Counter ticks per second (linux: 1e9), fixed for the life of the process.
int64_t CounterFrequency();
int64_t CounterNow();
// The counter in nanoseconds.
int64_t MonotonicNanos();
void SleepMilliseconds(int milliseconds);
// How late a timed wait may wake, in nanoseconds, with TimerPrecision in force: waits that must end
// on time sleep until this much before their deadline and spin the rest.
int64_t WakeUpMargin();

// Held by the main role while its workers run: 1 ms timer resolution with the power-throttling
// exemption on Windows, minimal timer slack on linux. Restored when destroyed.
class TimerPrecision {
  public:
    TimerPrecision();
    ~TimerPrecision();
    TimerPrecision(const TimerPrecision&) = delete;
    TimerPrecision& operator=(const TimerPrecision&) = delete;

  private:
    unsigned long saved_ = 0;  // linux: the timer slack to restore
};

}  // namespace velotap
