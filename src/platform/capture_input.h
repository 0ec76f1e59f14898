#pragma once
// Global capture: the backend observes all keyboard and mouse input of the desktop on the capture
// thread, hands each event in neutral form to a handler that decides at once, and performs the
// verdict (win32: low-level hooks and raw input; linux: XInput2 raw events and synchronous grabs).
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace velotap {

enum class Verdict { Pass, Swallow };

// The codes of the five hotkey slots that act right now, 0 for a slot that does not.
using HotkeySet = std::array<int32_t, 5>;

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

    // The codes that act as hotkeys right now, for backends that must grab them: none while hotkeys
    // are disabled, only the unlock key while locked, and the unlock key only while the lock is on.
    virtual HotkeySet HotkeyCodes() = 0;
    // A reassignment or a location pick is pending: every press is wanted.
    virtual bool CaptureWanted() const = 0;
    // A problem the user should hear about once (a missing capability, a hotkey another program
    // holds).
    virtual void Report(const std::string& message) = 0;
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
};

// The platform's capture backend; null with `error` set when the desktop cannot be observed.
std::unique_ptr<CaptureBackend> ConnectCapture(std::string& error);

}  // namespace velotap
