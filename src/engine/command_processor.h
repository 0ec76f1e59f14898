#pragma once
// The one thread that starts and stops the tools: a pass applies every raised request in a fixed
// order, releases what a stopping tool held and wakes the worker concerned.
#include <atomic>
#include <cstdint>
#include <functional>

#include "engine/engine_state.h"
#include "engine/synthesis.h"

namespace velotap {

class Event;

// The events a pass signals.
struct EngineEvents {
    Event* command = nullptr;
    Event* clickWake = nullptr;
    Event* keySpamWake = nullptr;
    Event* playWake = nullptr;
};

// Operations of other subsystems that a pass calls; an absent one is skipped.
struct EngineHooks {
    // Stores a captured hotkey for slots 1-4 and 6.
    std::function<void(int32_t slot, int32_t key)> assignHotkey;
    // Copies the live tool settings into the current profile.
    std::function<void()> copySettingsToProfile;
    // Recorder: these set and clear the recording flag themselves.
    std::function<void()> startRecording, continueRecording, stopRecording;
    // Restores the macro from before the last continue when that is possible (under the macro
    // lock).
    std::function<void()> undoContinue;
    // A tool switch (1 click spammer, 2 key spammer) into the recording.
    std::function<void(int32_t tool, bool on)> appendToolEvent;
};

inline constexpr int32_t kEscapeKey = 27;

void RunCommandPass(EngineState& state, Synth& synth, const EngineEvents& events,
                    const std::atomic<uint8_t>& stopToolsWithMacro, const EngineHooks& hooks);

}  // namespace velotap
