#include "platform/clock.h"

#include <sys/prctl.h>
#include <time.h>

namespace velotap {

int64_t CounterFrequency() {
    return 1'000'000'000;
}

int64_t CounterNow() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int64_t MonotonicNanos() {
    return CounterNow();
}

int64_t WakeUpMargin() {
    // With 1 ns timer slack a timed wait wakes within tens of microseconds of its time.
    return 150'000;
}

void SleepMilliseconds(int milliseconds) {
    timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

// Timer slack applies per thread and is inherited by threads started later, so the main role
// sets it before starting its workers.
TimerPrecision::TimerPrecision() {
    saved_ = static_cast<unsigned long>(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0));
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
}

TimerPrecision::~TimerPrecision() {
    if (saved_ > 0) prctl(PR_SET_TIMERSLACK, saved_, 0, 0, 0);
}

}  // namespace velotap
