#include "platform/clock.h"

#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

namespace velotap {

int64_t CounterFrequency() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    return frequency;
}

int64_t CounterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(now.QuadPart);
}

int64_t MonotonicNanos() {
    const int64_t ticks = CounterNow(), frequency = CounterFrequency();
    // Split so that the multiplication cannot overflow.
    return ticks / frequency * 1'000'000'000 + ticks % frequency * 1'000'000'000 / frequency;
}

int64_t WakeUpMargin() {
    // Waits end on 1 ms timer ticks, so up to a tick and a half late.
    return 1'500'000;
}

void SleepMilliseconds(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

TimerPrecision::TimerPrecision() {
    timeBeginPeriod(1);
    CounterFrequency();
    // Keep the 1 ms resolution in force while the program is in the background.
    PROCESS_POWER_THROTTLING_STATE state;
    ZeroMemory(&state, sizeof(state));
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
    state.StateMask = 0;
    SetProcessInformation(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof(state));
}

TimerPrecision::~TimerPrecision() {
    timeEndPeriod(1);
}

}  // namespace velotap
