#pragma once
// The recorder: fresh and continued recordings into the current macro, the re-timing of the new
// events when a recording stops, the undo of the last continue, and the recorder settings call.
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/engine_state.h"
#include "macro/profile_list.h"

namespace velotap {

// Moves the events from index `start` on so that the first of them follows the older events by
// `gap` seconds (or is at 0 without older events); a new press of the same button as the last old
// press is kept at least `guard` seconds after it, so that the pair never plays as a double click.
void RetimeNewEvents(std::vector<UnifiedEvent>& events, size_t start, double gap, double guard);

// The platform mouse flag of a button press (left, right, middle, X).
bool IsPressFlag(uint32_t flags);

class Recorder {
  public:
    // `counter` reads the engine counter, `frequency` is its ticks per second.
    Recorder(ProfileList& store, EngineState& engine, int64_t (*counter)(), int64_t frequency);

    // The system's double-click time in milliseconds, used by the guard when a recording stops.
    void SetDoubleClickTimeMs(int32_t ms) { doubleClickMs_.store(ms); }

    // Command processor operations; each sets or clears the recording flag itself.
    void StartFresh();
    void StartContinued();
    void Stop();
    // Restores the macro from before the last continue when undo is available.
    void UndoContinue();
    bool CanUndoContinue();

    // Seconds since the recording started.
    double Now() const;
    // Adds an event at the end of the current macro while recording (capture thread).
    void Append(const UnifiedEvent& event);
    // A switch of a tool (1 click spammer, 2 key spammer), only while recording.
    void AppendToolEvent(int32_t tool, bool on);

  private:
    ProfileList& store_;
    EngineState& engine_;
    int64_t (*counter_)();
    int64_t frequency_;
    std::atomic<int64_t> start_{0};
    std::atomic<int32_t> doubleClickMs_{500};
    size_t continueStart_ = 0;
    int32_t undoProfile_ = -1;
    std::vector<UnifiedEvent> beforeContinue_, afterContinue_;
    // The last comparison of the current macro with afterContinue_.
    struct UndoCheck {
        bool valid = false;
        uint64_t revision = 0;
        size_t size = 0;
        bool equal = false;
    } undoCheck_;
};

// updateTracker with its flattened argument text: "tmv", "tclk", "tscr", "tkey", "trel", "tspd",
// "tloop", "tloopMs". Fewer than eight fields change nothing; a field that does not convert stops
// the update there, keeping what was stored before it. True when all eight were stored.
bool UpdateTracker(RecorderSettings& settings, std::string_view flattened);

}  // namespace velotap
