#pragma once
// The capture thread's decisions, fed by backend-neutral input events: location picks, hotkey
// reassignment, hotkeys and recording, and whether each event is swallowed or passed on. The
// backends (low-level hooks, X grabs and raw events) only translate and perform the verdict.
#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "capture/hotkeys.h"
#include "engine/engine_state.h"
#include "macro/unified_event.h"
#include "platform/capture_input.h"

namespace velotap {

class Event;
class Recorder;

// Asks the platform whether a screen point lies on a window of this program (this process or
// another process of the same executable). Any failure answers false.
using OwnWindowQuery = std::function<bool(int32_t x, int32_t y)>;

struct CaptureContext {
    EngineState& engine;
    HotkeyContext hotkeys;
    const Flag& hotkeysEnabled;
    Recorder* recorder = nullptr;                    // null: nothing is recorded
    OwnWindowQuery ownWindow;                        // absent: no window is own
    std::function<void()> pickedLocation;            // copies the picked point into the profile
    std::function<void(const std::string&)> report;  // a problem for the user, once each
};

// The platform mouse flag a recorded button event carries; 0 when it is not recorded (X releases).
uint32_t ButtonRecordFlag(int32_t button, bool press);

class CaptureCore final : public CaptureHandler {
  public:
    explicit CaptureCore(CaptureContext context) : c_(std::move(context)) {}
    // The platform's own-window test, once the backend exists.
    void SetOwnWindowQuery(OwnWindowQuery query) { c_.ownWindow = std::move(query); }

    // `vk` is the full virtual-key code; a press repeated while held is an auto-repeat.
    Verdict Key(uint32_t vk, bool press, bool injected) override;
    // `button` is 1, 2, 4, 5 or 6; x, y the screen point of the event.
    Verdict Button(int32_t button, bool press, int32_t x, int32_t y, bool injected) override;
    void Move(int32_t x, int32_t y, bool injected) override;
    void Wheel(int32_t delta, bool injected) override;
    // Relative movement from raw input (injected input is not told apart there).
    void RawMotion(int32_t dx, int32_t dy) override;
    // The desktop session was locked or disconnected.
    void SessionLocked() override;

    CaptureGrabs WantedGrabs() override;
    bool ReleaseSwallowed(int32_t code, bool button) const override;
    void Report(const std::string& message) override;
    // Refused hotkeys are reported; a pending reassignment that can take no key, or a pending pick
    // that cannot take the left button, is cancelled (rather than letting what it should take slip
    // through) and the user told why.
    void GrabsRefused(const CaptureGrabs& refused) override;

    // The codes that act as hotkeys right now (0 for a slot that does not): none while hotkeys
    // are disabled, only the unlock key while locked, and the unlock key only while the lock is
    // on.
    HotkeySet HotkeyCodes();

  private:
    // A reassignment waits for its key: the next press is captured.
    bool ReassignPending() const;
    void Append(UnifiedEvent event);
    bool Recording() const;

    CaptureContext c_;
    std::array<uint8_t, 256> keyDown_{}, keyConsumed_{};
    std::array<uint8_t, 256> buttonDown_{}, buttonConsumed_{}, buttonOwn_{};
    int32_t lastX_ = 0, lastY_ = 0;
    std::set<std::string> reported_;
};

}  // namespace velotap
