#include "engine/engine.h"

#include <chrono>

#include "base/args.h"
#include "base/event.h"
#include "engine/click_spammer.h"
#include "engine/engine_calls.h"
#include "engine/key_spammer.h"
#include "engine/timing.h"
#include "platform/clock.h"
#include "platform/realtime.h"

namespace velotap {

void Engine::Connect(std::string& error) {
    input = ConnectInput(error);
    desktop = ConnectDesktop();
    messenger = ConnectWindowMessenger();
    Use(input.get(), desktop.get(), messenger.get());
}

void AskRealtime(Engine& engine) {
    engine.realtime.exchange(static_cast<uint8_t>(RequestRealtime()));
}

void Engine::Use(InputBackend* in, Desktop* d, WindowMessenger* m) {
    synth = Synth(in);
    notice.desktop = d;
    notice.messenger = m;
}

namespace {

void Wait(const WorkerWake& wake, Event& own, Event& quit) {
    switch (wake.kind) {
        case WorkerWake::Kind::Idle:
            WaitAny({&own, &quit});
            break;
        case WorkerWake::Kind::Until:
            WaitUntil(wake.at, {&own, &quit});
            break;
        case WorkerWake::Kind::Precise:
            PreciseWaitUntil(wake.at);
            break;
    }
}

}  // namespace

void RunClickSpammerThread(EngineContext c) {
    AskRealtime(c.engine);
    ClickSpammerWorker worker;
    while (c.running.load()) {
        WorkerWake wake =
            ClickSpammerStep(worker, c.engine.state, c.engine.synth, MonotonicNanos());
        Wait(wake, c.clickWake, c.quit);
    }
}

void RunKeySpammerThread(EngineContext c) {
    AskRealtime(c.engine);
    auto worker = std::make_unique<KeySpamWorker>();
    const BusyNoticeWait wait{&c.timelineAck, &c.quit, &c.running, 500};
    const std::function<void()> announce = [&] {
        SendBusyNotice(c.engine.notice, c.engine.state, &wait);
    };
    while (c.running.load()) {
        WorkerWake wake =
            KeySpamStep(*worker, c.engine.state, c.engine.synth, MonotonicNanos(), announce);
        Wait(wake, c.keySpamWake, c.quit);
    }
}

void RunCommandProcessorThread(EngineContext c) {
    const EngineEvents events = c.Events();
    while (c.running.load()) {
        RunCommandPass(c.engine.state, c.engine.synth, events, c.stopToolsWithMacro,
                       c.engine.hooks);
        WaitAny({&c.command, &c.quit});
    }
}

void RunBusyNotifierThread(EngineContext c) {
    while (c.running.load()) {
        SendBusyNotice(c.engine.notice, c.engine.state, nullptr);
        // Every 15 ms while an editor window is open. Until one is, only its arrival is looked
        // for, and less often, so that a program at rest hardly ever wakes.
        bool editorOpen;
        {
            std::lock_guard lock(c.engine.notice.lock);
            editorOpen = c.engine.notice.lastWindow.has_value();
        }
        if (WaitAny({&c.quit}, std::chrono::milliseconds(editorOpen ? 15 : 100)) >= 0) break;
    }
}

}  // namespace velotap
