#pragma once
// The capture's passive synchronous grabs on the root window, on its own connection: hotkeys or
// any key on every master keyboard, buttons on every master pointer. A grab that overlaps another
// program's grab (a window manager's shortcut with a modifier) is made again for the key alone and
// its lock-key variants, so the other program keeps its combinations and we still get the key.
#include <X11/Xlib.h>

#include <set>
#include <string>
#include <vector>

#include "platform/capture_input.h"

namespace velotap {

class XGrabs {
  public:
    explicit XGrabs(Display* display) : display_(display) {}

    struct Outcome {
        CaptureGrabs refused;                   // what could not be grabbed at all
        std::vector<int32_t> unmapped;          // hotkey codes with no key on this layout
        std::vector<std::string> heldByOthers;  // keys an any-key grab could not take
    };
    // Replaces what is held with `want`.
    Outcome Hold(const CaptureGrabs& want);
    void Release();

    const CaptureGrabs& Held() const { return held_; }
    // Whether presses of this keycode or X button come through the grab connection.
    bool TakesKeycode(int keycode) const { return anyKey_ || keycodes_.count(keycode) != 0; }
    bool TakesButton(int xButton) const { return buttons_.count(xButton) != 0; }
    // After a keyboard mapping change: whether a hotkey now sits on another keycode.
    bool KeycodesMoved() const;
    // Hotkey codes that are not grabbed (refused or unmapped).
    std::vector<int32_t> Ungrabbed() const { return ungrabbed_; }

  private:
    std::set<int> HotkeyKeycodes(const CaptureGrabs& want) const;
    bool GrabKey(int keycode);
    bool GrabButton(int xButton);
    std::vector<int> MasterKeyboards();

    Display* display_;
    CaptureGrabs held_;
    bool anyKey_ = false;
    std::set<int> keycodes_;
    std::set<int> buttons_;  // X button numbers
    std::vector<int> keyboards_;
    std::vector<int32_t> ungrabbed_;
};

// X button numbers and the program's button codes (1 left, 2 right, 4 middle, 5 and 6 the side
// buttons); 0 for the wheel and buttons without a code.
int32_t ButtonCodeOfX(int xButton);
int XButtonOf(int32_t code);

}  // namespace velotap
