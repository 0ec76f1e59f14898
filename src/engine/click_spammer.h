#pragma once
// The click spammer's worker as a step: given the engine state and the time, it sends the cycle's
// input and says when it wants to run next. Its thread owns the clock and the waits.
#include <cstdint>

#include "engine/engine_state.h"
#include "engine/synthesis.h"
#include "engine/timing.h"

namespace velotap {

struct ClickSpammerWorker {
    int32_t counter = 0;  // clicks of this run (a double click counts once)
    bool secondClickDue = false;
    int64_t cycleStart = 0;
    CycleSchedule schedule;
};

// The down and up flags of a button value; 0, 0 for a value other than 0, 1 or 2.
struct ButtonFlags {
    uint32_t down, up;
};
ButtonFlags ClickButtonFlags(int32_t button);

WorkerWake ClickSpammerStep(ClickSpammerWorker& worker, EngineState& state, Synth& synth,
                            int64_t now);

// Location picking, decided for one button press the capture hook saw while the picking flag was
// set. A left press takes its position as the fixed point and switches to it; a right or middle
// press cancels; both are swallowed. Anything else leaves picking on and passes.
enum class PickButton { Left, Right, Middle, X };
enum class PickOutcome { NotPicking, Picked, Cancelled, Passed };
PickOutcome HandlePickPress(EngineState& state, PickButton button, int32_t x, int32_t y,
                            bool injected);
inline bool Swallowed(PickOutcome o) {
    return o == PickOutcome::Picked || o == PickOutcome::Cancelled;
}

}  // namespace velotap
