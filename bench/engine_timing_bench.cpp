// Click timing on a private Xvfb, measured from the delivered events (XInput2 raw button presses):
// the real click spammer on the XTest backend beside `xdotool click --repeat N --delay D` and a
// minimal XTest clicker that sleeps to absolute deadlines, in the same run.
//
// Counters per run: rate = achieved clicks per second / target (1 = exact); err_med, err_p99,
// err_max = |interval - target| in ms. With the double-click setting the intervals are the cycle
// starts (15 ms gap + 10 ms interval = 25 ms) and gap_med is the median gap between the two clicks.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_xserver.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "support/engine_signals.h"
#include "xi_listener.h"

extern char** environ;

namespace velotap {

namespace {

BenchXServer& TheServer() {
    static BenchXServer server;
    return server;
}

// Receives raw button presses of button 1 and stamps them on arrival.
XiListener PressListener() {
    return XiListener({{XIAllMasterDevices, {XI_RawButtonPress}}}, [](int, const void* data) {
        return static_cast<const XIRawEvent*>(data)->detail == 1 ? 0 : -1;
    });
}

struct Setting {
    int intervalMs;
    bool doubleClick;
    int clicks;  // cycles
};

void Report(benchmark::State& state, std::vector<int64_t> presses, const Setting& s) {
    std::vector<int64_t> starts, gaps;
    for (size_t i = 0; i < presses.size(); ++i) {
        if (!s.doubleClick || i % 2 == 0) starts.push_back(presses[i]);
        if (s.doubleClick && i % 2 == 1) gaps.push_back(presses[i] - presses[i - 1]);
    }
    const double period = (s.intervalMs + (s.doubleClick ? 15 : 0)) * 1e6;
    std::vector<double> errors;
    for (size_t i = 1; i < starts.size(); ++i)
        errors.push_back(std::fabs(static_cast<double>(starts[i] - starts[i - 1]) - period) / 1e6);
    std::sort(errors.begin(), errors.end());
    auto at = [&](double q) {
        return errors.empty() ? NAN : errors[static_cast<size_t>(q * (errors.size() - 1))];
    };
    state.counters["clicks"] = static_cast<double>(starts.size());
    state.counters["rate"] =
        starts.size() < 2
            ? 0
            : (starts.size() - 1) * period / static_cast<double>(starts.back() - starts.front());
    state.counters["err_med"] = at(0.5);
    state.counters["err_p99"] = at(0.99);
    state.counters["err_max"] = errors.empty() ? NAN : errors.back();
    if (s.doubleClick) {
        std::sort(gaps.begin(), gaps.end());
        state.counters["gap_med"] = gaps.empty() ? NAN : gaps[gaps.size() / 2] / 1e6;
    }
}

std::vector<int64_t> RunVelotap(XiListener& listener, const Setting& s) {
    Engine engine;
    std::string error;
    engine.Connect(error);
    EngineSignals signals;
    const EngineContext c = signals.ContextOf(engine);
    EngineState& st = engine.state;
    st.click.sms = s.intervalMs;
    st.click.stype = s.doubleClick ? 1 : 0;
    st.click.rptMode = 0;
    st.click.rptTimes = s.clicks;
    std::thread worker(RunClickSpammerThread, c), processor(RunCommandProcessorThread, c);
    listener.Take();
    RaiseRequest(st.requests.startClick, signals.command);
    while (st.clickSpamming.load() == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    while (st.clickSpamming.load() == 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    signals.running = 0;
    signals.quit.Set();
    worker.join();
    processor.join();
    return listener.Take();
}

std::vector<int64_t> RunReference(XiListener& listener, const Setting& s) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return {};
    listener.Take();
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    auto advance = [&](int ms) {
        next.tv_nsec += ms * 1000000L;
        next.tv_sec += next.tv_nsec / 1000000000L;
        next.tv_nsec %= 1000000000L;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    };
    auto click = [&] {
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XFlush(d);
    };
    for (int i = 0; i < s.clicks; ++i) {
        click();
        if (s.doubleClick) {
            advance(15);
            click();
        }
        advance(s.intervalMs);
    }
    XSync(d, False);
    XCloseDisplay(d);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return listener.Take();
}

std::vector<int64_t> RunXdotool(XiListener& listener, const Setting& s) {
    listener.Take();
    std::string count = std::to_string(s.clicks), delay = std::to_string(s.intervalMs);
    const char* argv[] = {"xdotool", "click",       "--repeat", count.c_str(),
                          "--delay", delay.c_str(), "1",        nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, const_cast<char**>(argv), environ) == 0) {
        waitpid(pid, nullptr, 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return listener.Take();
}

template <std::vector<int64_t> (*Run)(XiListener&, const Setting&)>
void Clicker(benchmark::State& state) {
    if (!TheServer().ok) {
        state.SkipWithError("no Xvfb");
        return;
    }
    static TimerPrecision precision;  // as the main role holds it while its workers run
    const Setting s{static_cast<int>(state.range(0)), state.range(1) != 0,
                    static_cast<int>(state.range(2))};
    XiListener listener = PressListener();
    if (!listener.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return;
    }
    std::vector<int64_t> presses;
    for (auto _ : state)
        presses = Run(listener, s);
    Report(state, presses, s);
}

// (interval ms, double click, cycles): about 2 s, 5 s and 5 s of clicking.
#define SETTINGS Args({1, 0, 2000})->Args({5, 0, 1000})->Args({10, 1, 200})
BENCHMARK(Clicker<RunReference>)
    ->Name("reference")
    ->SETTINGS->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Clicker<RunVelotap>)
    ->Name("velotap")
    ->SETTINGS->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Clicker<RunXdotool>)
    ->Name("xdotool")
    ->Args({1, 0, 2000})
    ->Args({5, 0, 1000})
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
