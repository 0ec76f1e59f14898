#include "engine/engine.h"

#include <chrono>

#include "base/args.h"
#include "base/event.h"
#include "engine/click_spammer.h"
#include "engine/engine_calls.h"
#include "engine/key_spammer.h"
#include "engine/timing.h"
#include "platform/clock.h"

namespace velotap {

void Engine::Connect(std::string& error) {
    input = ConnectInput(error);
    desktop = ConnectDesktop();
    messenger = ConnectWindowMessenger();
    Use(input.get(), desktop.get(), messenger.get());
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

std::string Nothing() {
    return std::string();
}

void CopyToProfile(const EngineContext& c) {
    if (c.engine.hooks.copySettingsToProfile) c.engine.hooks.copySettingsToProfile();
}

}  // namespace

void RunClickSpammerThread(EngineContext c) {
    ClickSpammerWorker worker;
    while (c.running.load()) {
        WorkerWake wake =
            ClickSpammerStep(worker, c.engine.state, c.engine.synth, MonotonicNanos());
        Wait(wake, c.clickWake, c.quit);
    }
}

void RunKeySpammerThread(EngineContext c) {
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
        if (WaitAny({&c.quit}, std::chrono::milliseconds(15)) >= 0) break;
    }
}

std::vector<Binding> ToolBindings(EngineContext c) {
    // Pointers, not references, are captured: the bindings outlive this call.
    EngineState* s = &c.engine.state;
    Event* command = &c.command;
    auto request = [command](Flag& flag) {
        return [command, f = &flag](const std::string&) {
            RaiseRequest(*f, *command);
            return Nothing();
        };
    };
    std::vector<Binding> b;
    b.push_back({"updateSpammer", [c, s](const std::string& args) {
                     if (UpdateSpammer(*s, FlattenArgs(args))) CopyToProfile(c);
                     return Nothing();
                 }});
    b.push_back({"startSpammer", request(s->requests.startClick)});
    b.push_back({"stopSpammer", request(s->requests.stopClick)});
    b.push_back({"updateKeySpam", [c, s](const std::string& args) {
                     if (UpdateKeySpam(*s, FlattenArgs(args))) CopyToProfile(c);
                     return Nothing();
                 }});
    b.push_back({"startKeySpam", request(s->requests.startKeySpam)});
    b.push_back({"stopKeySpam", request(s->requests.stopKeySpam)});
    b.push_back({"removeKeySpamTarget", [c, s, command](const std::string& args) {
                     RemoveOutcome outcome = RemoveKeySpamTarget(*s, FlattenArgs(args));
                     if (outcome != RemoveOutcome::Unchanged) CopyToProfile(c);
                     if (outcome == RemoveOutcome::RemovedLastWhileRunning) {
                         RaiseRequest(s->requests.stopKeySpam, *command);
                     }
                     return Nothing();
                 }});
    b.push_back({"setKeySpamChordMode", [c, s](const std::string& args) {
                     SetKeySpamChordMode(*s, FlattenArgs(args));
                     CopyToProfile(c);
                     return Nothing();
                 }});
    b.push_back({"pickLocation", [s](const std::string&) {
                     s->pickingLocation.exchange(1);
                     return Nothing();
                 }});
    b.push_back({"setHoldMode", [s](const std::string& args) {
                     SetHoldMode(*s, FlattenArgs(args));
                     return Nothing();
                 }});
    return b;
}

Binding GetSettingsBinding(EngineContext c) {
    const EngineState* s = &c.engine.state;
    return {"getSettings", [s](const std::string&) { return SettingsDocument(*s); }};
}

}  // namespace velotap
