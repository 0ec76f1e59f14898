#pragma once
// Send times of a tool, for the page's timing meter. The tool's worker records each cycle's send
// time into a fixed ring of atomics (no allocation, no lock on the send path); the page's bound
// function reads the last second back from any thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace velotap {

struct EngineState;

class SendMeter {
  public:
    // A second at the fastest interval (1 ms) with room to spare.
    static constexpr uint64_t kSlots = 2048;

    // Worker thread only. `firstOfRun` starts a new run: no interval spans two runs.
    void Record(int64_t sendTime, bool firstOfRun) {
        const uint64_t n = written_.load(std::memory_order_relaxed);
        if (firstOfRun) runStart_.store(n, std::memory_order_relaxed);
        times_[n % kSlots].store(sendTime, std::memory_order_relaxed);
        written_.store(n + 1, std::memory_order_release);
    }

    // The current run's send times from `since` on, oldest first, into `out` (of kSlots entries);
    // returns how many. Entries the worker may have overwritten while they were read are dropped.
    size_t Read(int64_t since, int64_t* out) const;

  private:
    std::array<std::atomic<int64_t>, kSlots> times_{};
    std::atomic<uint64_t> written_{0};
    std::atomic<uint64_t> runStart_{0};
};

// What the meter shows for one tool over a window of send times.
struct SendFigures {
    size_t samples = 0;                        // sends in the window
    double rate = 0;                           // sends per second
    double medianErrorMs = 0, p99ErrorMs = 0;  // |interval − expected interval|
};
SendFigures MeasureSends(const SendMeter& meter, int64_t now, int64_t expectedPeriod,
                         int64_t window);

// The getSendTiming document for both tools over the second before `now`:
// {"click":{…},"keySpam":{…}}, each {"samples":N,"rate":R,"intervalMs":I,"medianErrorMs":M,
// "p99ErrorMs":P}.
std::string SendTimingJson(const EngineState& state, int64_t now);

}  // namespace velotap
