// Playback timing on a private Xvfb: the real player and command processor threads on the XTest
// backend play a macro of N events 5 ms apart, and a second connection stamps their delivery with
// XInput2 raw events. A minimal XTest sender that sleeps to absolute deadlines runs beside it in
// the same way, to tell the player's own error from the machine's.
//
// Counters per run: events = deliveries seen (of N); err_p50, err_p99, err_max = delivered minus
// scheduled in ms, less the smallest such difference of the run (the constant path through the X
// server and the listener, which the player cannot shorten); send_p50, send_p99 = the same for the
// moment each record was handed to XTest, which leaves the X server and the listener out;
// start_ms = from the start request to the first delivery (the busy notice and the first pass's
// set-up included).
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <benchmark/benchmark.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_xserver.h"
#include "engine/engine.h"
#include "macro/player.h"
#include "platform/clock.h"
#include "support/engine_signals.h"
#include "xi_listener.h"

namespace velotap {

namespace {

BenchXServer& TheServer() {
    static BenchXServer server;
    return server;
}

// Stamps raw key presses and releases, or raw motion, on arrival.
XiListener DeliveryListener(bool keys) {
    if (keys)
        return XiListener({{XIAllMasterDevices, {XI_RawKeyPress, XI_RawKeyRelease}}},
                          [](int, const void*) { return 0; });
    return XiListener({{XIAllMasterDevices, {XI_RawMotion}}}, [](int, const void*) { return 0; });
}

constexpr double kGapSeconds = 0.005;

// Key A pressed and released by turns, or the pointer moved one pixel right and back by turns.
std::vector<UnifiedEvent> Macro(bool keys, int count) {
    std::vector<UnifiedEvent> macro;
    for (int i = 0; i < count; ++i) {
        UnifiedEvent e;
        e.time = i * kGapSeconds;
        if (keys) {
            e.type = EventType::Key;
            e.vk = 0x41;
            e.down = i % 2 == 0;
        } else {
            e.type = EventType::RelativeMove;
            e.x = i % 2 == 0 ? 1 : -1;
        }
        macro.push_back(e);
    }
    return macro;
}

// Stamps every record on its way to the real backend.
class StampingInput final : public InputBackend {
  public:
    StampingInput(InputBackend& real, std::vector<int64_t>& stamps)
        : real_(real), stamps_(stamps) {}
    ScreenSize PrimaryScreen() override { return real_.PrimaryScreen(); }
    uint16_t ScanCode(uint32_t vk) override { return real_.ScanCode(vk); }
    bool CursorPosition(int32_t& x, int32_t& y) override { return real_.CursorPosition(x, y); }
    void Send(const InputRecord& record) override {
        stamps_.push_back(MonotonicNanos());
        real_.Send(record);
    }

  private:
    InputBackend& real_;
    std::vector<int64_t>& stamps_;
};

// Plays the macro with the real player and command processor threads; the request time.
int64_t PlayWithVelotap(const std::vector<UnifiedEvent>& macro, std::vector<int64_t>& sent,
                        std::string& error) {
    Engine engine;
    engine.Connect(error);
    if (!engine.input) return -1;
    sent.reserve(macro.size() + 16);
    StampingInput stamping(*engine.input, sent);
    engine.Use(&stamping, engine.desktop.get(), engine.messenger.get());
    ProfileList profiles;
    profiles.Current() = macro;
    EngineSignals signals;
    const EngineContext c = signals.ContextOf(engine);
    std::thread player(RunPlayerThread, c, std::ref(profiles));
    std::thread processor(RunCommandProcessorThread, c);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int64_t requested = MonotonicNanos();
    RaiseRequest(engine.state.requests.startPlayback, signals.command);
    while (engine.state.playing.load() == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    while (engine.state.playing.load() == 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    signals.running = 0;
    signals.quit.Set();
    player.join();
    processor.join();
    return requested;
}

// The same events straight through XTest, sleeping to absolute deadlines.
int64_t PlayWithReference(const std::vector<UnifiedEvent>& macro, std::vector<int64_t>& sent,
                          std::string& error) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        error = "cannot connect to the X server";
        return -1;
    }
    const KeyCode a = XKeysymToKeycode(d, 'a');
    const int64_t start = MonotonicNanos();
    for (const UnifiedEvent& e : macro) {
        const int64_t due = start + static_cast<int64_t>(e.time * 1e9);
        timespec ts{static_cast<time_t>(due / 1'000'000'000),
                    static_cast<long>(due % 1'000'000'000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
        sent.push_back(MonotonicNanos());
        if (e.type == EventType::Key) {
            XTestFakeKeyEvent(d, a, e.down ? True : False, CurrentTime);
        } else {
            XTestFakeRelativeMotionEvent(d, e.x, e.y, CurrentTime);
        }
        XFlush(d);
    }
    XSync(d, False);
    XCloseDisplay(d);
    return start;
}

// Each stamp less its schedule (N events 5 ms apart, counted from the first), less the smallest
// such difference; sorted, in ms.
std::vector<double> Lateness(const std::vector<int64_t>& stamps, int count) {
    std::vector<double> late;
    for (size_t i = 0; i < stamps.size() && i < static_cast<size_t>(count); ++i) {
        const double scheduled = i * kGapSeconds * 1e3;
        late.push_back(static_cast<double>(stamps[i] - stamps[0]) / 1e6 - scheduled);
    }
    std::sort(late.begin(), late.end());
    const double base = late.empty() ? 0 : late.front();
    for (double& e : late)
        e -= base;
    return late;
}

double Quantile(const std::vector<double>& sorted, double q) {
    return sorted.empty() ? NAN : sorted[static_cast<size_t>(q * (sorted.size() - 1))];
}

template <int64_t (*Play)(const std::vector<UnifiedEvent>&, std::vector<int64_t>&, std::string&)>
void Playback(benchmark::State& state) {
    if (!TheServer().ok) {
        state.SkipWithError("no Xvfb");
        return;
    }
    static TimerPrecision precision;  // as the main role holds it while its workers run
    const bool keys = state.range(0) != 0;
    const int count = static_cast<int>(state.range(1));
    XiListener listener = DeliveryListener(keys);
    if (!listener.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return;
    }
    const std::vector<UnifiedEvent> macro = Macro(keys, count);
    std::vector<int64_t> delivered, sent;
    int64_t requested = 0;
    for (auto _ : state) {
        listener.Take();
        std::string error;
        sent.clear();
        requested = Play(macro, sent, error);
        if (requested < 0) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        delivered = listener.Take();
    }
    const std::vector<double> errors = Lateness(delivered, count);
    const std::vector<double> sendErrors = Lateness(sent, count);
    state.counters["events"] = static_cast<double>(delivered.size());
    state.counters["err_p50"] = Quantile(errors, 0.5);
    state.counters["err_p99"] = Quantile(errors, 0.99);
    state.counters["err_max"] = errors.empty() ? NAN : errors.back();
    state.counters["send_p50"] = Quantile(sendErrors, 0.5);
    state.counters["send_p99"] = Quantile(sendErrors, 0.99);
    state.counters["start_ms"] =
        delivered.empty() ? NAN : static_cast<double>(delivered[0] - requested) / 1e6;
}

// (keys 1 / relative moves 0, events): 5 s of playback each.
#define SETTINGS                 \
    ArgNames({"keys", "events"}) \
        ->Args({1, 1000})        \
        ->Args({0, 1000})        \
        ->Iterations(1)          \
        ->Repetitions(2)         \
        ->Unit(benchmark::kMillisecond)
BENCHMARK(Playback<PlayWithVelotap>)->Name("velotap")->SETTINGS;
BENCHMARK(Playback<PlayWithReference>)->Name("reference")->SETTINGS;

}  // namespace

}  // namespace velotap
