#pragma once
// The input engine of the main process: its state, its platform access, and the thread bodies
// that run it. The main role owns one Engine and the events it waits on.
#include <memory>
#include <vector>

#include "engine/busy_notice.h"
#include "engine/command_processor.h"
#include "engine/engine_state.h"
#include "engine/synthesis.h"
#include "platform/desktop.h"
#include "platform/input.h"
#include "platform/window_message.h"

namespace velotap {

class Event;

struct Engine {
    EngineState state;
    std::unique_ptr<InputBackend> input;  // null when synthesis is unavailable
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<WindowMessenger> messenger;
    Synth synth{nullptr};
    BusyNotice notice;
    EngineHooks hooks;
    Flag realtime{0};  // the RealtimeGrant the timing threads got

    // Connects the platform backends; `error` describes a synthesis backend that is unavailable
    // (the tools then run and send nothing, as with input the system refuses).
    void Connect(std::string& error);
    // Uses the given backends instead (tests).
    void Use(InputBackend* input, Desktop* desktop, WindowMessenger* messenger);
};

// A timing thread (spammers, player) asks for realtime scheduling at its start; the engine keeps
// the answer for the capability report.
void AskRealtime(Engine& engine);

// Everything the engine's threads (and the page functions that drive them) touch, by reference.
struct EngineContext {
    Engine& engine;
    const Flag& running;
    const Flag& stopToolsWithMacro;
    Event& quit;
    Event& command;
    Event& clickWake;
    Event& keySpamWake;
    Event& playWake;
    Event& timelineAck;

    EngineEvents Events() const { return {&command, &clickWake, &keySpamWake, &playWake}; }
};

// Thread bodies; each returns when the running flag is clear after a wait.
void RunClickSpammerThread(EngineContext context);
void RunKeySpammerThread(EngineContext context);
void RunCommandProcessorThread(EngineContext context);
void RunBusyNotifierThread(EngineContext context);

}  // namespace velotap
