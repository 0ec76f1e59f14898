// The capture thread's decisions (CaptureCore) without a backend: the time one input event takes
// from its arrival to the verdict, for a realistic mix while recording. Per cycle of 20 events:
// 6 ordinary key presses and releases (passed on and recorded), 10 absolute moves of which 2
// repeat the last position (dropped by the filter), a left click (press and release, recorded)
// and an F6 press and release (swallowed; raises the click spammer's toggle request).
//
// "mix" reports the mean time per event; "mix_latency" times every one of 1M events on the steady
// clock and reports p50, p99 and max in microseconds (each figure includes one clock read).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "base/event.h"
#include "capture/capture_core.h"
#include "macro/recorder.h"
#include "platform/clock.h"

namespace velotap {

namespace {

struct Input {
    enum Kind : uint8_t { Key, Button, Move } kind;
    int32_t code;  // key or button
    bool press;
    int32_t x, y;
};

// One cycle of the mix; positions advance per cycle so the moves are new ones.
std::vector<Input> Cycle() {
    const int32_t a = 0x41, s = 0x53, shift = 0xA0;
    return {
        {Input::Key, a, true, 0, 0},
        {Input::Move, 0, false, 1, 0},
        {Input::Key, a, false, 0, 0},
        {Input::Move, 0, false, 2, 0},
        {Input::Move, 0, false, 2, 0},  // repeat: filtered
        {Input::Key, shift, true, 0, 0},
        {Input::Key, s, true, 0, 0},
        {Input::Key, s, false, 0, 0},
        {Input::Key, shift, false, 0, 0},
        {Input::Move, 0, false, 3, 1},
        {Input::Move, 0, false, 4, 1},
        {Input::Button, kLeftButton, true, 4, 1},
        {Input::Move, 0, false, 4, 1},  // repeat: filtered
        {Input::Button, kLeftButton, false, 4, 1},
        {Input::Move, 0, false, 5, 2},
        {Input::Move, 0, false, 6, 2},
        {Input::Key, kDefaultClickKey, true, 0, 0},
        {Input::Key, kDefaultClickKey, false, 0, 0},
        {Input::Move, 0, false, 7, 3},
        {Input::Move, 0, false, 8, 3},
    };
}

// The decisions wired as the main process wires them, recording with the default settings
// (moves, clicks and keys; absolute movement).
struct Rig {
    EngineState engine;
    HotkeySlots slots;
    Flag lockOn{1}, lockChanged{0}, unlocked{1}, hotkeysEnabled{1};
    Event command{EventReset::Auto};
    ProfileList store;
    Recorder recorder{store, engine, CounterNow, CounterFrequency()};
    CaptureCore core{CaptureContext{
        engine, HotkeyContext{engine, slots, lockOn, lockChanged, unlocked, &command},
        hotkeysEnabled, &recorder, [](int32_t, int32_t) { return false; }, nullptr, nullptr}};
    std::vector<Input> cycle = Cycle();
    int32_t offset = 0;

    Rig() {
        engine.recorder.tmv.exchange(1);
        engine.recorder.tclk.exchange(1);
        engine.recorder.tkey.exchange(1);
        engine.recorder.trel.exchange(0);
        recorder.StartFresh();
        store.Current().reserve(1 << 17);
    }

    Verdict Feed(const Input& in) {
        switch (in.kind) {
            case Input::Key:
                return core.Key(static_cast<uint32_t>(in.code), in.press, false);
            case Input::Button:
                return core.Button(in.code, in.press, in.x + offset, in.y, false);
            case Input::Move:
                core.Move(in.x + offset, in.y, false);
                return Verdict::Pass;
        }
        return Verdict::Pass;
    }
    // The end of a cycle: new positions, and the recording kept from growing without bound (the
    // capacity stays, as it would in a long recording).
    void EndCycle() {
        offset = (offset + 8) % 4096;
        if (store.Current().size() > (1 << 16)) {
            std::lock_guard<std::recursive_mutex> lock(store.lock);
            store.Current().clear();
        }
    }
};

void Mix(benchmark::State& state) {
    Rig rig;
    int64_t events = 0;
    for (auto _ : state) {
        for (const Input& in : rig.cycle)
            benchmark::DoNotOptimize(rig.Feed(in));
        rig.EndCycle();
        events += static_cast<int64_t>(rig.cycle.size());
    }
    state.SetItemsProcessed(events);
    state.counters["ns_per_event"] = benchmark::Counter(
        static_cast<double>(events), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(Mix)->Name("mix");

void MixLatency(benchmark::State& state) {
    constexpr size_t kEvents = 1000000;
    std::vector<int64_t> durations(kEvents);
    for (auto _ : state) {
        Rig rig;
        size_t n = 0;
        while (n < kEvents) {
            for (const Input& in : rig.cycle) {
                if (n == kEvents) break;
                const auto start = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(rig.Feed(in));
                const auto end = std::chrono::steady_clock::now();
                durations[n++] =
                    std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
            }
            rig.EndCycle();
        }
    }
    std::sort(durations.begin(), durations.end());
    auto us = [&](double q) {
        return static_cast<double>(durations[static_cast<size_t>(q * (kEvents - 1))]) / 1000.0;
    };
    state.counters["p50_us"] = us(0.5);
    state.counters["p99_us"] = us(0.99);
    state.counters["p999_us"] = us(0.999);
    state.counters["max_us"] = static_cast<double>(durations.back()) / 1000.0;
    state.SetItemsProcessed(static_cast<int64_t>(kEvents) * state.iterations());
}
BENCHMARK(MixLatency)->Name("mix_latency")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
