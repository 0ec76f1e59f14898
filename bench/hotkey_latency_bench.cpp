// From a physical F6 press to the click spammer's first click, on a private Xvfb with the main
// process's own threads (capture, command processor, click spammer) and its defaults: F6 toggles
// the click spammer, left button, 5 ms, until stopped, hotkey lock on and unlocked.
//
// F6 goes through Xvfb's own "Xvfb keyboard" device, so the capture backend sees it as physical
// input. Each round: press F6 (stamp), wait for the first click, release F6 once it was held
// `pace_ms`, press and release F6 again to stop, wait until the spammer is idle. Two stamps per
// round: inj_* when the XTEST pointer's own XI_RawButtonPress arrives (the click was injected) and
// del_* when the master pointer's XI_ButtonPress reaches the root window (the click was delivered;
// input of the master pointer stays queued while the hotkey's grab holds its keyboard, so this one
// may wait for the release). misses = rounds in which no click came within a second.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_app.h"
#include "base/event.h"
#include "capture/capture_service.h"
#include "engine/engine.h"
#include "platform/clock.h"

// Xlib's macros (None, Status …) clash with names of the program's headers, so they come last.
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "bench_xserver.h"
#include "xi_listener.h"

namespace velotap {

namespace {

// Stamps left-button presses of `source` on arrival, twice: stream 0 is the raw event of the
// source device (the click was injected), stream 1 the master pointer's press on the root window
// (the click was delivered to the window under the pointer).
constexpr int kInjected = 0, kDelivered = 1;
XiListener PressListener(int source) {
    return XiListener({{XIAllDevices, {XI_RawButtonPress}}, {XIAllMasterDevices, {XI_ButtonPress}}},
                      [source](int evtype, const void* data) {
                          if (evtype == XI_RawButtonPress) {
                              auto* raw = static_cast<const XIRawEvent*>(data);
                              return raw->detail == 1 && raw->deviceid == source ? kInjected : -1;
                          }
                          auto* press = static_cast<const XIDeviceEvent*>(data);
                          return press->detail == 1 && press->sourceid == source ? kDelivered : -1;
                      });
}

// Xvfb's own keyboard: its key events reach the capture backend as physical input.
class PhysicalKeyboard {
  public:
    PhysicalKeyboard() {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        int count = 0;
        XDeviceInfo* devices = XListInputDevices(display_, &count);
        XID id = 0;
        for (int i = 0; i < count; ++i)
            if (std::string(devices[i].name) == "Xvfb keyboard") id = devices[i].id;
        XFreeDeviceList(devices);
        if (id) device_ = XOpenDevice(display_, id);
        f6_ = XKeysymToKeycode(display_, XK_F6);
    }
    ~PhysicalKeyboard() {
        if (device_) XCloseDevice(display_, device_);
        if (display_) XCloseDisplay(display_);
    }
    bool ok() const { return device_ != nullptr; }
    void F6(bool press) {
        XTestFakeDeviceKeyEvent(display_, device_, f6_, press, nullptr, 0, CurrentTime);
        XFlush(display_);
    }

  private:
    Display* display_ = nullptr;
    XDevice* device_ = nullptr;
    KeyCode f6_ = 0;
};

bool WaitFor(const std::function<bool()>& done, int ms) {
    for (int i = 0; i < ms * 10; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return done();
}

void HotkeyToFirstClick(benchmark::State& state) {
    static BenchXServer server;
    if (!server.ok) {
        state.SkipWithError("no Xvfb");
        return;
    }
    const int source = XiDeviceId("Virtual core XTEST pointer");
    XiListener listener = PressListener(source);
    PhysicalKeyboard keyboard;
    if (!listener.ok() || source == 0 || !keyboard.ok()) {
        state.SkipWithError("cannot open the X devices");
        return;
    }

    // The main role's start-up, without the window and the update check.
    MainApp app;
    TimerPrecision timerPrecision;
    std::string inputError, captureError;
    app.engine.Connect(inputError);
    app.capture.Connect(captureError);
    if (!inputError.empty() || !captureError.empty()) {
        state.SkipWithError((inputError + " " + captureError).c_str());
        return;
    }
    app.capture.InstallHooks(app.engine.hooks);
    const EngineContext engine = app.EngineView();
    app.threads.clickSpammer = std::thread(RunClickSpammerThread, engine);
    app.threads.capture = std::thread(RunCaptureThread, app.CaptureViewOf());
    app.threads.commandProcessor = std::thread(RunCommandProcessorThread, engine);
    app.capture.backend->Settle();  // grabs in place

    const int rounds = static_cast<int>(state.range(0));
    const int pace = static_cast<int>(state.range(1));  // ms a key is held and between keys
    std::vector<double> injected, delivered;
    int misses = 0;
    auto ms = [](int64_t from, int64_t to) { return static_cast<double>(to - from) / 1e6; };
    for (auto _ : state) {
        for (int i = 0; i < rounds; ++i) {
            listener.Clear();
            const int64_t pressed = MonotonicNanos();
            keyboard.F6(true);
            int64_t first = 0;
            WaitFor([&] { return (first = listener.FirstSince(kInjected, pressed)) != 0; }, 1000);
            const int64_t held = MonotonicNanos() - pressed;
            if (held < pace * 1000000LL)
                std::this_thread::sleep_for(std::chrono::nanoseconds(pace * 1000000LL - held));
            keyboard.F6(false);
            if (first) {
                injected.push_back(ms(pressed, first));
                int64_t seen = 0;
                WaitFor([&] { return (seen = listener.FirstSince(kDelivered, pressed)) != 0; },
                        1000);
                if (seen) delivered.push_back(ms(pressed, seen));
            } else {
                ++misses;
            }
            const auto pause = std::chrono::milliseconds(pace);
            std::this_thread::sleep_for(pause);
            keyboard.F6(true);  // stops the toggled spammer
            std::this_thread::sleep_for(pause);
            keyboard.F6(false);
            WaitFor([&] { return app.engine.state.clickSpamming.load() == 0; }, 1000);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    app.running.exchange(0);
    app.quit.Set();
    app.capture.backend->Stop();
    app.threads.JoinAll();

    auto report = [&state](const char* name, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        auto at = [&](double q) {
            return v.empty() ? NAN : v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
        };
        const std::string n = name;
        state.counters[n + "_n"] = static_cast<double>(v.size());
        state.counters[n + "_med_ms"] = at(0.5);
        state.counters[n + "_p99_ms"] = at(0.99);
        state.counters[n + "_max_ms"] = v.empty() ? NAN : v.back();
    };
    report("inj", injected);
    report("del", delivered);
    state.counters["misses"] = misses;
}
BENCHMARK(HotkeyToFirstClick)
    ->Name("hotkey_to_first_click")
    ->ArgNames({"rounds", "pace_ms"})
    ->Args({50, 50})  // keys held and spaced as a person presses them
    ->Args({20, 0})   // back to back, as fast as the X connection sends them
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace velotap
