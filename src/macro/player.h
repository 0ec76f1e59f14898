#pragma once
// The macro player as a step: given the engine state, the current macro and the time, it sends
// what is due and says when it wants to run next. Its thread owns the clock and the waits.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_state.h"
#include "engine/synthesis.h"
#include "engine/timing.h"
#include "macro/profile_list.h"

namespace velotap {

class Event;

// Keys and buttons the player pressed and has not released yet, so that the end of playback can
// release them. Key codes from 256 up are not tracked (no such virtual key exists).
struct HeldInput {
    static constexpr uint8_t kLeft = 1, kRight = 2, kMiddle = 4;
    std::array<uint64_t, 4> keys{};
    uint8_t buttons = 0;

    void Key(uint32_t vk, bool down);
    // Applies the press and release bits of a mouse flag value; returns the buttons it pressed.
    uint8_t Buttons(uint32_t flags);
    bool Empty() const;
};

struct PlayerWorker {
    enum class Phase : uint8_t { Idle, Announced, Playing, Pausing };
    Phase phase = Phase::Idle;
    std::vector<UnifiedEvent> macro;  // this pass's copy; its capacity serves later passes
    size_t next = 0;
    int64_t passStart = 0;
    double previous = 0;               // scheduled time of the last event sent, in seconds
    int32_t originX = 0, originY = 0;  // where the next glide starts
    int32_t lastX = 0, lastY = 0;      // the last absolute position sent
    int64_t pauseEnd = 0;
    HeldInput held;
    // Left and right presses sent after the last time playing was seen set: a stop request may
    // have released the buttons before them, so the end of playback must release them again.
    uint8_t unconfirmedPresses = 0;
};

struct PlayerContext {
    EngineState& state;
    Synth& synth;
    ProfileList& profiles;
    const Flag& running;
    const Flag& stopToolsWithMacro;
    Event& command;
    // Tells the timeline editor that the engine is busy and waits for its acknowledgement; runs at
    // the start of every pass, before the first input.
    std::function<void()> announceBusy;
};

// Glide positions are sent about this often while waiting for an absolute move.
inline constexpr int64_t kGlideStep = kNanosPerMs;

// The speed and pause as the player uses them: a speed that is not above 0 (or not a number)
// plays at 1, and a negative pause is no pause.
double PlaybackSpeed(float tspd);
int64_t LoopPauseNanos(int32_t tloopMs);

WorkerWake PlayerStep(PlayerWorker& worker, const PlayerContext& context, int64_t now);

// The thread body; returns when the running flag is clear after a wait, releasing whatever the
// macro still holds.
void RunPlayerThread(EngineContext context, ProfileList& profiles);

}  // namespace velotap
