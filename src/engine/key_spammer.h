#pragma once
// The key spammer's worker as a step (see click_spammer.h).
#include <array>
#include <cstdint>
#include <functional>

#include "engine/engine_state.h"
#include "engine/synthesis.h"
#include "engine/timing.h"

namespace velotap {

struct KeySpamWorker {
    struct CachedKey {
        bool valid = false;
        int32_t code = 0;
        uint16_t scan = 0;
        bool extended = false;
    };
    int32_t counter = 0;
    bool started = false;
    int32_t roundRobin = 0;  // survives stops: a new run continues the rotation
    CycleSchedule schedule;
    std::array<CachedKey, KeySpamTargets::kCapacity> cache{};
};

// `announceBusy` tells the timeline editor that the engine is busy and waits for its
// acknowledgement; it runs once at the start of every run, before the first key.
WorkerWake KeySpamStep(KeySpamWorker& worker, EngineState& state, Synth& synth, int64_t now,
                       const std::function<void()>& announceBusy);

}  // namespace velotap
