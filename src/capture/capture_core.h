#pragma once
// The capture thread's decisions, fed by backend-neutral input events: location picks, hotkey
// reassignment, hotkeys and recording, and whether each event is swallowed or passed on. The
// backends (low-level hooks, X grabs and raw events) only translate and perform the verdict.
#include <array>
#include <cstdint>
#include <functional>

#include "capture/hotkeys.h"
#include "engine/engine_state.h"
#include "macro/unified_event.h"

class Event;
class Recorder;

enum class Verdict { Pass, Swallow };

// Asks the platform whether a screen point lies on a window of this program (this process or
// another process of the same executable). Any failure answers false.
using OwnWindowQuery = std::function<bool(int32_t x, int32_t y)>;

struct CaptureContext {
    EngineState& engine;
    HotkeyContext hotkeys;
    const Flag& hotkeysEnabled;
    Recorder* recorder = nullptr;          // null: nothing is recorded
    OwnWindowQuery ownWindow;              // absent: no window is own
    std::function<void()> pickedLocation;  // copies the picked point into the profile
};

// The platform mouse flag a recorded button event carries; 0 when it is not recorded (X releases).
uint32_t ButtonRecordFlag(int32_t button, bool press);

class CaptureCore {
  public:
    explicit CaptureCore(CaptureContext context) : c_(std::move(context)) {}

    // `vk` is the full virtual-key code; a press repeated while held is an auto-repeat.
    Verdict Key(uint32_t vk, bool press, bool injected);
    // `button` is 1, 2, 4, 5 or 6; x, y the screen point of the event.
    Verdict Button(int32_t button, bool press, int32_t x, int32_t y, bool injected);
    void Move(int32_t x, int32_t y, bool injected);
    void Wheel(int32_t delta, bool injected);
    // Relative movement from raw input (injected input is not told apart there).
    void RawMotion(int32_t dx, int32_t dy);
    // The desktop session was locked or disconnected.
    void SessionLocked();

    // Whether an active capture is wanted (a reassignment or a location pick is pending).
    bool CaptureWanted() const;

  private:
    void Append(UnifiedEvent event);
    bool Recording() const;

    CaptureContext c_;
    std::array<uint8_t, 256> keyDown_{}, keyConsumed_{};
    std::array<uint8_t, 256> buttonDown_{}, buttonConsumed_{}, buttonOwn_{};
    int32_t lastX_ = 0, lastY_ = 0;
};
