// Click and key timing on a private Xvfb, measured from the delivered events (XInput2 raw presses
// stamped on arrival): the real click spammer and key spammer on the XTest backend beside a
// minimal XTest sender that sleeps to absolute deadlines and xdotool, in the same run, each quiet
// and with a busy loop on every core (child processes the bench starts and stops around the run).
//
// Counters per run: rate = achieved presses per second / target (1 = exact); int_med = the median
// interval in ms; err_med, err_p99, err_max = |interval - target| in ms; burst = the highest rate
// over any 10 consecutive intervals, of the target (above 1: faster than asked over that stretch,
// as when catching up; on arrival stamps under load it mostly shows the X server delivering a
// backlog at once); sent_rate, sent_p99 and sent_burst the same figures from the send stamps,
// where the sender gives them. With the double-click setting the intervals are the cycle starts
// (15 ms gap + 10 ms interval = 25 ms) and gap_med is the median gap between the two clicks. The
// closing table gives the medians of the three repetitions and the ratio of each sender's rate to
// the reference's in the same conditions, and whether the engine's timing threads were granted
// realtime scheduling. With --realtime_server the X server and the listener run at realtime
// priority, so that a loaded machine delays the senders measured rather than the delivery.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_xserver.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/input_tap.h"
#include "platform/realtime.h"
#include "support/engine_signals.h"
#include "xi_listener.h"

extern char** environ;

namespace velotap {

namespace {

// --realtime_server: the X server and the listener run at realtime priority.
bool g_realtimeServer = false;

BenchXServer& TheServer() {
    static BenchXServer server(g_realtimeServer);
    return server;
}

enum Stream { kClicks = 0, kKeys = 1 };

struct Setting {
    Stream input;
    int intervalMs;
    bool doubleClick;
    int cycles;
    bool load;
};

// Raw presses of button 1 (stream 0) and of the space key (stream 1), whoever sent them.
XiListener PressListener() {
    Display* d = XOpenDisplay(nullptr);
    const int space = d ? XKeysymToKeycode(d, XK_space) : 0;
    if (d) XCloseDisplay(d);
    return XiListener({{XIAllMasterDevices, {XI_RawButtonPress, XI_RawKeyPress}}},
                      [space](int evtype, const void* data) {
                          const int detail = static_cast<const XIRawEvent*>(data)->detail;
                          if (evtype == XI_RawButtonPress) return detail == 1 ? kClicks : -1;
                          return detail == space ? kKeys : -1;
                      });
}

// One spinning child process per core for the life of the object.
class BusyLoops {
  public:
    explicit BusyLoops(bool on) {
        for (long i = 0, n = on ? sysconf(_SC_NPROCESSORS_ONLN) : 0; i < n; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (pid > 0) pids_.push_back(pid);
        }
    }
    ~BusyLoops() {
        for (pid_t pid : pids_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

  private:
    std::vector<pid_t> pids_;
};

struct Figures {
    double rate = 0, intMed = NAN, errMed = NAN, errP99 = NAN, errMax = NAN, burst = 0,
           gapMed = NAN;
    size_t presses = 0;
    // From the send stamps, where the sender gives them.
    double sentRate = NAN, sentP99 = NAN, sentBurst = NAN;
};

Figures Measure(const std::vector<int64_t>& presses, const Setting& s) {
    std::vector<int64_t> starts, gaps;
    for (size_t i = 0; i < presses.size(); ++i) {
        if (!s.doubleClick || i % 2 == 0) starts.push_back(presses[i]);
        if (s.doubleClick && i % 2 == 1) gaps.push_back(presses[i] - presses[i - 1]);
    }
    const double period = (s.intervalMs + (s.doubleClick ? 15 : 0)) * 1e6;
    Figures f;
    f.presses = starts.size();
    if (starts.size() < 2) return f;
    std::vector<double> errors, intervals;
    for (size_t i = 1; i < starts.size(); ++i) {
        intervals.push_back(static_cast<double>(starts[i] - starts[i - 1]) / 1e6);
        errors.push_back(std::fabs(intervals.back() - period / 1e6));
    }
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    f.intMed = intervals[intervals.size() / 2];
    std::sort(errors.begin(), errors.end());
    auto at = [&](double q) { return errors[static_cast<size_t>(q * (errors.size() - 1))]; };
    f.rate = (starts.size() - 1) * period / static_cast<double>(starts.back() - starts.front());
    f.errMed = at(0.5);
    f.errP99 = at(0.99);
    f.errMax = errors.back();
    // The highest rate over any 10 consecutive intervals.
    constexpr size_t kWindow = 10;
    for (size_t i = 0; i + kWindow < starts.size(); ++i) {
        const double span = static_cast<double>(starts[i + kWindow] - starts[i]);
        f.burst = std::max(f.burst, span > 0 ? kWindow * period / span : INFINITY);
    }
    if (s.doubleClick && !gaps.empty()) {
        std::sort(gaps.begin(), gaps.end());
        f.gapMed = gaps[gaps.size() / 2] / 1e6;
    }
    return f;
}

void WaitMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Whether the engine's timing threads got realtime scheduling (the last run's answer).
RealtimeGrant g_grant = RealtimeGrant::NotGranted;

struct Stamps {
    std::vector<int64_t> delivered, sent;  // sent: empty where it cannot be seen
};

Stamps RunVelotap(XiListener& listener, const Setting& s) {
    Engine engine;
    std::string error;
    engine.Connect(error);
    if (!engine.input) return {};
    std::vector<int64_t> sent;  // one worker thread sends
    sent.reserve(static_cast<size_t>(s.cycles) * 2);
    InputTap stamping(*engine.input, [&sent](const InputRecord& r) {
        const bool press = r.kind == InputRecord::Kind::Keyboard ? (r.flags & kKeyUp) == 0
                                                                 : (r.flags & kLeftDown) != 0;
        if (press) sent.push_back(MonotonicNanos());
    });
    engine.Use(&stamping, engine.desktop.get(), engine.messenger.get());
    EngineSignals signals;
    const EngineContext c = signals.ContextOf(engine);
    EngineState& st = engine.state;
    st.click.sms = s.intervalMs;
    st.click.stype = s.doubleClick ? 1 : 0;
    st.click.rptMode = 0;
    st.click.rptTimes = s.cycles;
    st.keySpam.ksms = s.intervalMs;
    st.keySpam.ksRptMode = 0;
    st.keySpam.ksRptTimes = s.cycles;  // the one default target, Space
    Flag& spamming = s.input == kClicks ? st.clickSpamming : st.keySpamming;
    std::thread worker(s.input == kClicks ? RunClickSpammerThread : RunKeySpammerThread, c);
    std::thread processor(RunCommandProcessorThread, c);
    listener.Take(s.input);
    RaiseRequest(s.input == kClicks ? st.requests.startClick : st.requests.startKeySpam,
                 signals.command);
    while (spamming.load() == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    while (spamming.load() == 1)
        WaitMs(5);
    WaitMs(200);
    signals.running = 0;
    signals.quit.Set();
    worker.join();
    processor.join();
    g_grant = static_cast<RealtimeGrant>(engine.realtime.load());
    return {listener.Take(s.input), std::move(sent)};
}

Stamps RunReference(XiListener& listener, const Setting& s) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return {};
    std::vector<int64_t> sent;
    sent.reserve(static_cast<size_t>(s.cycles) * 2);
    const KeyCode space = XKeysymToKeycode(d, XK_space);
    listener.Take(s.input);
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    auto advance = [&](int ms) {
        next.tv_nsec += ms * 1000000L;
        next.tv_sec += next.tv_nsec / 1000000000L;
        next.tv_nsec %= 1000000000L;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    };
    auto press = [&] {
        if (s.input == kClicks) {
            XTestFakeButtonEvent(d, 1, True, CurrentTime);
            XTestFakeButtonEvent(d, 1, False, CurrentTime);
        } else {
            XTestFakeKeyEvent(d, space, True, CurrentTime);
            XTestFakeKeyEvent(d, space, False, CurrentTime);
        }
        XFlush(d);
        sent.push_back(MonotonicNanos());
    };
    for (int i = 0; i < s.cycles; ++i) {
        press();
        if (s.doubleClick) {
            advance(15);
            press();
        }
        advance(s.intervalMs);
    }
    XSync(d, False);
    XCloseDisplay(d);
    WaitMs(200);
    return {listener.Take(s.input), std::move(sent)};
}

Stamps RunXdotool(XiListener& listener, const Setting& s) {
    listener.Take(s.input);
    std::string count = std::to_string(s.cycles), delay = std::to_string(s.intervalMs);
    const char* what = s.input == kClicks ? "click" : "key";
    const char* target = s.input == kClicks ? "1" : "space";
    const char* argv[] = {"xdotool", what,          "--repeat", count.c_str(),
                          "--delay", delay.c_str(), target,     nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, const_cast<char**>(argv), environ) == 0) {
        waitpid(pid, nullptr, 0);
    }
    WaitMs(200);
    return {listener.Take(s.input), {}};
}

// Medians of the repetitions, by sender and conditions, for the closing table.
std::map<std::string, std::vector<Figures>>& Results() {
    static std::map<std::string, std::vector<Figures>> results;
    return results;
}

std::string Conditions(const Setting& s) {
    char text[64];
    std::snprintf(text, sizeof(text), "%s_%dms%s_%s", s.input == kClicks ? "click" : "key",
                  s.intervalMs, s.doubleClick ? "_double" : "", s.load ? "load" : "quiet");
    return text;
}

using Runner = Stamps (*)(XiListener&, const Setting&);

void Sender(benchmark::State& state, Runner run, const std::string& name, const Setting& s) {
    if (!TheServer().ok) {
        state.SkipWithError("no Xvfb");
        return;
    }
    static TimerPrecision precision;  // as the main role holds it while its workers run
    XiListener listener = PressListener();
    if (!listener.ok()) {
        state.SkipWithError("cannot connect to the X server");
        return;
    }
    if (g_realtimeServer) listener.SetRealtime(20);
    Stamps stamps;
    for (auto _ : state) {
        BusyLoops busy(s.load);
        stamps = run(listener, s);
    }
    Figures f = Measure(stamps.delivered, s);
    const Figures sent = Measure(stamps.sent, s);
    if (!stamps.sent.empty()) {
        f.sentRate = sent.rate;
        f.sentP99 = sent.errP99;
        f.sentBurst = sent.burst;
        state.counters["sent_rate"] = sent.rate;
        state.counters["sent_p99"] = sent.errP99;
        state.counters["sent_burst"] = sent.burst;
    }
    state.counters["presses"] = static_cast<double>(f.presses);
    state.counters["rate"] = f.rate;
    state.counters["int_med"] = f.intMed;
    state.counters["err_med"] = f.errMed;
    state.counters["err_p99"] = f.errP99;
    state.counters["err_max"] = f.errMax;
    state.counters["burst"] = f.burst;
    if (s.doubleClick) state.counters["gap_med"] = f.gapMed;
    Results()[Conditions(s) + "|" + name].push_back(f);
}

double Median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintSummary() {
    std::map<std::string, std::map<std::string, Figures>> table;  // conditions → sender → medians
    for (const auto& [key, runs] : Results()) {
        auto median = [&](double Figures::*field) {
            std::vector<double> values;
            for (const Figures& f : runs)
                values.push_back(f.*field);
            return Median(values);
        };
        Figures m;
        m.rate = median(&Figures::rate);
        m.intMed = median(&Figures::intMed);
        m.errMed = median(&Figures::errMed);
        m.errP99 = median(&Figures::errP99);
        m.sentRate = median(&Figures::sentRate);
        m.sentP99 = median(&Figures::sentP99);
        m.sentBurst = median(&Figures::sentBurst);
        const size_t bar = key.find('|');
        table[key.substr(0, bar)][key.substr(bar + 1)] = m;
    }
    std::printf(
        "\nMedians of the repetitions (rate: of the target; vs ref: of the reference's rate)"
        "\n%-24s %-10s %7s %7s %8s %8s %8s %9s %8s %10s\n",
        "conditions", "sender", "rate", "vs ref", "int_med", "err_med", "err_p99", "sent_rate",
        "sent_p99", "sent_burst");
    for (const auto& [conditions, senders] : table) {
        const auto ref = senders.find("reference");
        for (const auto& [sender, m] : senders) {
            const double vsRef =
                ref == senders.end() || ref->second.rate == 0 ? NAN : m.rate / ref->second.rate;
            std::printf("%-24s %-10s %7.3f %7.3f %8.3f %8.3f %8.3f %9.4f %8.3f %10.3f\n",
                        conditions.c_str(), sender.c_str(), m.rate, vsRef, m.intMed, m.errMed,
                        m.errP99, m.sentRate, m.sentP99, m.sentBurst);
        }
    }
    const char* grant = g_grant == RealtimeGrant::Direct        ? "granted directly"
                        : g_grant == RealtimeGrant::RealtimeKit ? "granted through rtkit"
                                                                : "not granted";
    std::printf(
        "Realtime scheduling of the engine's timing threads: %s. X server and listener: %s.\n",
        grant, g_realtimeServer ? "realtime priority asked" : "ordinary priority");
}

}  // namespace

}  // namespace velotap

// Each setting runs the three senders back to back, so that they meet the same machine.
int main(int argc, char** argv) {
    using namespace velotap;
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) != "--realtime_server") continue;
        g_realtimeServer = true;
        std::copy(argv + i + 1, argv + argc, argv + i);
        --argc;
        break;
    }
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // About 2 s at 1 ms and 4 s at 5 ms.
    const Setting settings[] = {{kClicks, 1, false, 2000, false},
                                {kClicks, 5, false, 800, false},
                                {kKeys, 1, false, 2000, false},
                                {kKeys, 5, false, 800, false},
                                {kClicks, 10, true, 160, false}};
    const std::pair<const char*, Runner> senders[] = {
        {"reference", RunReference}, {"velotap", RunVelotap}, {"xdotool", RunXdotool}};
    for (bool load : {false, true}) {
        for (Setting s : settings) {
            s.load = load;
            for (const auto& [name, run] : senders) {
                if (s.doubleClick && run == RunXdotool) continue;  // it has no double click
                benchmark::RegisterBenchmark((Conditions(s) + "/" + name).c_str(), Sender, run,
                                             std::string(name), s)
                    ->Iterations(1)
                    ->Repetitions(3)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
