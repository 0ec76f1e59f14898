// The thin threads around the steps, with the real clock and the fake backend.
#include <gtest/gtest.h>

#include <thread>

#include "base/event.h"
#include "engine/engine.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_windows.h"

namespace velotap {

namespace {

struct Threads {
    Engine engine;
    FakeInput input;
    FakeDesktop desktop;
    FakeMessenger messenger;
    Flag running{1}, stopTools{1};
    Event quit{EventReset::Manual}, command{EventReset::Auto}, clickWake{EventReset::Auto},
        keySpamWake{EventReset::Auto}, playWake{EventReset::Auto}, ack{EventReset::Auto};
    EngineContext context{engine,    running,     stopTools, quit, command,
                          clickWake, keySpamWake, playWake,  ack};
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
    bool WaitFor(const std::function<bool()>& done) {
        for (int i = 0; i < 5000; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
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
    ASSERT_TRUE(t.WaitFor([&] {
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
    ASSERT_TRUE(t.WaitFor([&] { return t.input.Count() == 2; }));
    RaiseRequest(t.engine.state.requests.stopClick, t.command);
    ASSERT_TRUE(t.WaitFor([&] { return t.input.Count() == 5; }));
    t.Stop();
}

}  // namespace velotap
