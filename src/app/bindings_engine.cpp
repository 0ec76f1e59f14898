#include "app/bindings.h"

#include "base/args.h"
#include "base/event.h"
#include "engine/engine_calls.h"
#include "engine/send_meter.h"
#include "platform/clock.h"

namespace velotap {

namespace {

void CopyToProfile(const EngineContext& c) {
    if (c.engine.hooks.copySettingsToProfile) c.engine.hooks.copySettingsToProfile();
}

}  // namespace

Binding RequestBinding(std::string name, Flag& request, Event& command) {
    // Pointers, not references, are captured: the bindings outlive the call that makes them.
    return {std::move(name), [f = &request, e = &command](const std::string&) {
                RaiseRequest(*f, *e);
                return std::string();
            }};
}

std::vector<Binding> ToolBindings(EngineContext c) {
    EngineState* s = &c.engine.state;
    Event* command = &c.command;
    std::vector<Binding> b;
    b.push_back({"updateSpammer", [c, s](const std::string& args) {
                     if (UpdateSpammer(*s, FlattenArgs(args))) CopyToProfile(c);
                     return std::string();
                 }});
    b.push_back(RequestBinding("startSpammer", s->requests.startClick, *command));
    b.push_back(RequestBinding("stopSpammer", s->requests.stopClick, *command));
    b.push_back({"updateKeySpam", [c, s](const std::string& args) {
                     if (UpdateKeySpam(*s, FlattenArgs(args))) CopyToProfile(c);
                     return std::string();
                 }});
    b.push_back(RequestBinding("startKeySpam", s->requests.startKeySpam, *command));
    b.push_back(RequestBinding("stopKeySpam", s->requests.stopKeySpam, *command));
    b.push_back({"removeKeySpamTarget", [c, s, command](const std::string& args) {
                     RemoveOutcome outcome = RemoveKeySpamTarget(*s, FlattenArgs(args));
                     if (outcome != RemoveOutcome::Unchanged) CopyToProfile(c);
                     if (outcome == RemoveOutcome::RemovedLastWhileRunning) {
                         RaiseRequest(s->requests.stopKeySpam, *command);
                     }
                     return std::string();
                 }});
    b.push_back({"setKeySpamChordMode", [c, s](const std::string& args) {
                     SetKeySpamChordMode(*s, FlattenArgs(args));
                     CopyToProfile(c);
                     return std::string();
                 }});
    b.push_back({"pickLocation", [s](const std::string&) {
                     s->pickingLocation.exchange(1);
                     return std::string();
                 }});
    b.push_back({"setHoldMode", [s](const std::string& args) {
                     SetHoldMode(*s, FlattenArgs(args));
                     return std::string();
                 }});
    return b;
}

std::vector<Binding> PlaybackBindings(EngineContext c) {
    EngineRequests& r = c.engine.state.requests;
    return {RequestBinding("startPlayback", r.startPlayback, c.command),
            RequestBinding("stopPlayback", r.stopPlayback, c.command)};
}

Binding GetSettingsBinding(EngineContext c) {
    const EngineState* s = &c.engine.state;
    return {"getSettings", [s](const std::string&) { return SettingsDocument(*s); }};
}

Binding SendTimingBinding(EngineContext c) {
    const EngineState* s = &c.engine.state;
    return {"getSendTiming",
            [s](const std::string&) { return SendTimingJson(*s, MonotonicNanos()); }};
}

}  // namespace velotap
