#pragma once
// Global capture: the backend observes all keyboard and mouse input of the desktop on the capture
// thread, hands each event in neutral form to a handler that decides at once, and performs the
// verdict (win32: low-level hooks and raw input; linux: XInput2 raw events and synchronous grabs).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velotap {

enum class Verdict { Pass, Swallow };

// Key and button codes share one number space; the buttons are these.
inline constexpr int32_t kLeftButton = 1, kRightButton = 2, kMiddleButton = 4, kXButton1 = 5,
                         kXButton2 = 6;
inline constexpr bool IsButtonCode(int32_t code) {
    return code == kLeftButton || code == kRightButton || code == kMiddleButton ||
           code == kXButton1 || code == kXButton2;
}
inline constexpr uint8_t ButtonBit(int32_t code) {
    return static_cast<uint8_t>(1u << code);
}

// The codes of the five hotkey slots that act right now, 0 for a slot that does not.
using HotkeySet = std::array<int32_t, 5>;

// The presses a backend that decides through grabs must take before anyone else, because the
// decisions may swallow them right now: the hotkeys, any key while a reassignment waits for one,
// and the buttons a pending location pick or reassignment may take. Everything else is left alone.
struct CaptureGrabs {
    HotkeySet hotkeys{};  // key and button codes of the hotkeys, 0 where none
    bool anyKey = false;
    uint8_t buttons = 0;  // further buttons, bit (1 << code) per button code 1, 2, 4, 5, 6
    bool operator==(const CaptureGrabs&) const = default;
    bool HasButton(int32_t code) const { return code > 0 && code < 8 && (buttons >> code) & 1; }
};

struct CaptureStatus {
    bool observing = false;  // the desktop's input is being observed (raw events, hooks)
    CaptureGrabs held;       // the grabs a grabbing backend made last (what it was asked for)
    // Hotkeys that do not act because the backend could not take them (another program holds
    // them, or the keyboard layout has no such key).
    std::vector<int32_t> ungrabbed;
};

class CaptureHandler {
  public:
    virtual ~CaptureHandler() = default;
    // `vk` is the full virtual-key code; a press of a key already held is an auto-repeat.
    virtual Verdict Key(uint32_t vk, bool press, bool injected) = 0;
    // `button` is 1 left, 2 right, 4 middle, 5 and 6 the X buttons; x, y the screen point.
    virtual Verdict Button(int32_t button, bool press, int32_t x, int32_t y, bool injected) = 0;
    virtual void Move(int32_t x, int32_t y, bool injected) = 0;
    virtual void Wheel(int32_t delta, bool injected) = 0;
    virtual void RawMotion(int32_t dx, int32_t dy) = 0;
    virtual void SessionLocked() = 0;

    virtual CaptureGrabs WantedGrabs() = 0;
    // After a press was swallowed: whether its auto-repeats and its release will be swallowed too
    // (a hotkey), or the press alone (a captured key, a picked point).
    virtual bool ReleaseSwallowed(int32_t code, bool button) const = 0;
    // A problem the user should hear about once (a missing capability, a key another program
    // holds).
    virtual void Report(const std::string& message) = 0;
    // What the backend could not grab of what WantedGrabs asked (another program holds it).
    virtual void GrabsRefused(const CaptureGrabs& refused) = 0;
};

class CaptureBackend {
  public:
    virtual ~CaptureBackend() = default;
    // Runs the capture loop on the calling thread until Stop.
    virtual void Run(CaptureHandler& handler) = 0;
    // Any thread: ends Run.
    virtual void Stop() = 0;
    // Any thread: the hotkeys or a pending capture changed; backends that grab look again.
    virtual void Refresh() = 0;
    // Any thread: returns once Run has brought its grabs in line with the hotkeys and the pending
    // capture as they stand at this call, or after a few seconds when Run does not get there.
    // True when it did.
    virtual bool Settle() = 0;
    // Capture thread: whether the screen point lies on a window of this program (this process or
    // another process of the same executable). Any failure answers false.
    virtual bool IsOwnWindowAt(int32_t x, int32_t y) = 0;
    // Any thread: what the backend holds now.
    virtual CaptureStatus Snapshot() = 0;
};

// The platform's capture backend; null with `error` set when the desktop cannot be observed.
std::unique_ptr<CaptureBackend> ConnectCapture(std::string& error);

}  // namespace velotap
