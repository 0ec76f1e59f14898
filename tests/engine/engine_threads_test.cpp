// The thin threads around the steps, with the real clock and the fake backend.
#include <gtest/gtest.h>

#include <thread>

#include "base/event.h"
#include "engine/engine.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_windows.h"
#include "support/engine_signals.h"
#include "support/wait_for.h"

namespace velotap {

namespace {

struct Threads : EngineSignals {
    Engine engine;
    FakeInput input;
    FakeDesktop desktop;
    FakeMessenger messenger;
    EngineContext context = ContextOf(engine);
    std::vector<std::thread> threads;

    Threads() {
        engine.Use(&input, &desktop, &messenger);
        threads.emplace_back(RunClickSpammerThread, context);
        threads.emplace_back(RunKeySpammerThread, context);
        threads.emplace_back(RunCommandProcessorThread, context);
        threads.emplace_back(RunBusyNotifierThread, context);
    }
    ~Threads() { Stop(); }
    void Stop() {
        running = 0;
        quit.Set();
        for (std::thread& t : threads)
            if (t.joinable()) t.join();
    }
};

}  // namespace

TEST(EngineThreads, CountedRunsEndByThemselvesAndShutDownEndsEveryWait) {
    Threads t;
    t.engine.state.click.rptMode = 0;
    t.engine.state.click.rptTimes = 3;
    t.engine.state.click.sms = 1;
    t.engine.state.keySpam.ksRptMode = 0;
    t.engine.state.keySpam.ksRptTimes = 2;
    RaiseRequest(t.engine.state.requests.startClick, t.command);
    RaiseRequest(t.engine.state.requests.startKeySpam, t.command);
    ASSERT_TRUE(WaitFor([&] {
        return !t.engine.state.clickSpamming.load() && !t.engine.state.keySpamming.load() &&
               t.input.Count() == 6 + 5;
    }));
    std::vector<InputRecord> records = t.input.Take();
    int clicks = 0, keys = 0;
    for (const InputRecord& r : records) {
        clicks += r.kind == InputRecord::Kind::Mouse && r.flags == kLeftDown;
        keys += r.kind == InputRecord::Kind::Keyboard && r.flags == kKeyScanCode;
    }
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(keys, 2);

    // A 10 s interval is cut short by the stop, and shut-down ends the idle waits.
    t.engine.state.click.rptMode = 1;
    t.engine.state.click.ss = 10;
    RaiseRequest(t.engine.state.requests.startClick, t.command);
    ASSERT_TRUE(WaitFor([&] { return t.input.Count() == 2; }));
    RaiseRequest(t.engine.state.requests.stopClick, t.command);
    ASSERT_TRUE(WaitFor([&] { return t.input.Count() == 5; }));
    t.Stop();
}

TEST(EngineThreads, BusyNotifierTellsAnEditorThatOpensLater) {
    Threads t;
    {
        std::lock_guard lock(t.desktop.mutex);
        t.desktop.windows = {{9, kTimelineEditorTitle}};
    }
    auto busy = [&](uint64_t state) {
        for (const FakeMessenger::Posted& p : t.messenger.Snapshot())
            if (p.window == 9 && p.message == kBusyNoticeMessage && p.wparam == state) return true;
        return false;
    };
    ASSERT_TRUE(WaitFor([&] { return busy(0); }));
    t.engine.state.playing.store(1);
    EXPECT_TRUE(WaitFor([&] { return busy(1); }));
    t.engine.state.playing.store(0);
}

}  // namespace velotap
