#pragma once
// The flags and events the engine's threads share, owned by a test as the main role owns them.
#include "base/event.h"
#include "engine/engine.h"

namespace velotap {

struct EngineSignals {
    Flag running{1}, stopTools{1};
    Event quit{EventReset::Manual}, command{EventReset::Auto}, clickWake{EventReset::Auto},
        keySpamWake{EventReset::Auto}, playWake{EventReset::Auto}, ack{EventReset::Auto};

    EngineContext ContextOf(Engine& engine) {
        return {engine, running, stopTools, quit, command, clickWake, keySpamWake, playWake, ack};
    }
};

}  // namespace velotap
