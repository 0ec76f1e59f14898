#pragma once
// Engine time: nanoseconds of the monotonic counter. The tools' schedules are computed here as
// pure functions; the waits that honour them belong to the threads (engine_threads.cpp).
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace velotap {

class Event;

inline constexpr int64_t kNanosPerMs = 1'000'000;
// The pause between the two clicks of a double click.
inline constexpr int64_t kDoubleClickGap = 15 * kNanosPerMs;
// Longest interval honoured: what a 32-bit millisecond wait can express.
inline constexpr int64_t kMaxIntervalMs = 0xFFFFFFFELL;

// ceil(max(1, h × 3,600,000 + m × 60,000 + s × 1,000 + ms)) in double precision, capped at
// kMaxIntervalMs.
int64_t IntervalMs(int32_t hours, int32_t minutes, int32_t seconds, int32_t milliseconds);

// What a worker's step asks of its thread next.
struct WorkerWake {
    enum class Kind : uint8_t {
        Idle,     // wait for the wake or quit event, without time-out
        Until,    // wait until `at`, or the wake or quit event
        Precise,  // the double-click gap: wait until `at` exactly, events do not end it
    };
    Kind kind = Kind::Idle;
    int64_t at = 0;
    static WorkerWake Idle() { return {}; }
    static WorkerWake Until(int64_t at) { return {Kind::Until, at}; }
    static WorkerWake Precise(int64_t at) { return {Kind::Precise, at}; }
};

// A tool's cycle schedule. Each cycle is planned one interval after the planned start of the last
// (plus the time the cycle itself takes by design), so the period does not grow by the cycle's
// own work or the wake-up latency. A cycle woken late runs at once and the plan keeps its line
// while it is at most CatchUpLimit behind; further behind, the line moves up to that limit, so
// after a long stall only a few cycles follow at once, never a burst. A wake-up before the next
// planned start begins no cycle (only a new run does), and a changed interval re-plans the next
// start from the last one: consecutive planned starts are never closer than the interval, so a
// tool never runs faster than asked.
struct CycleSchedule {
    bool planned = false;
    int64_t lastStart = 0;
    int64_t extra = 0;
    int64_t interval = 0;
    int64_t nextStart = 0;

    // The planned start of a cycle that may run at `now` with the interval as it stands now;
    // nothing when the next cycle is not due yet (it is due at `nextStart`).
    std::optional<int64_t> Due(int64_t now, int64_t intervalNs);
    // Plans the next cycle `interval` (+ `extra`) after `start`.
    void Plan(int64_t start, int64_t intervalNs, int64_t extra = 0);
    void Clear() { planned = false; }
};

// How far behind its plan a tool may run and still catch up: three intervals but no more than
// 4 ms, and never less than one interval.
int64_t CatchUpLimit(int64_t intervalNs);

// Thread side. Waits until `deadline` (nanoseconds of MonotonicNanos) or one of `events`: the
// index of the event, or -1 when the deadline passed. Sleeps most of the way and spins the last
// fraction of a millisecond so that the deadline is met closely.
int WaitUntil(int64_t deadline, std::initializer_list<Event*> events);
// Waits until `deadline` without regard to events.
void PreciseWaitUntil(int64_t deadline);

}  // namespace velotap
