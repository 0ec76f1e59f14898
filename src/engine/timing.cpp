#include "engine/timing.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "base/event.h"
#include "platform/clock.h"

namespace velotap {

int64_t IntervalMs(int32_t hours, int32_t minutes, int32_t seconds, int32_t milliseconds) {
    double total = hours * 3600000.0 + minutes * 60000.0 + seconds * 1000.0 + milliseconds;
    double ms = std::ceil(std::max(1.0, total));
    if (ms > static_cast<double>(kMaxIntervalMs)) return kMaxIntervalMs;
    return static_cast<int64_t>(ms);
}

int64_t CatchUpLimit(int64_t intervalNs) {
    return std::max(intervalNs, std::min(3 * intervalNs, 4 * kNanosPerMs));
}

std::optional<int64_t> CycleSchedule::Due(int64_t now, int64_t intervalNs) {
    if (!planned) return now;
    if (intervalNs != interval) Plan(lastStart, intervalNs, extra);
    if (now < nextStart) return std::nullopt;
    return std::max(nextStart, now - CatchUpLimit(interval));
}

void CycleSchedule::Plan(int64_t start, int64_t intervalNs, int64_t extraNs) {
    planned = true;
    lastStart = start;
    extra = extraNs;
    interval = intervalNs;
    nextStart = start + extraNs + intervalNs;
}

int WaitUntil(int64_t deadline, std::initializer_list<Event*> events) {
    const int64_t margin = WakeUpMargin();
    for (;;) {
        int64_t remaining = deadline - MonotonicNanos();
        if (remaining <= margin) break;
        int which = WaitAny(events, std::chrono::nanoseconds(remaining - margin));
        if (which >= 0) return which;
    }
    while (MonotonicNanos() < deadline) {
    }
    return -1;
}

void PreciseWaitUntil(int64_t deadline) {
    int64_t remaining = deadline - MonotonicNanos();
    // Sleep whole milliseconds up to 2 ms before the target, then spin (13 of the 15 ms gap).
    if (remaining > 2 * kNanosPerMs) {
        SleepMilliseconds(static_cast<int>((remaining - 2 * kNanosPerMs) / kNanosPerMs));
    }
    while (MonotonicNanos() < deadline) {
    }
}

}  // namespace velotap
