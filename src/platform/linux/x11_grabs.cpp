#include "platform/linux/x11_grabs.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>

#include <array>

#include "platform/linux/x11_key_map.h"

namespace velotap {

namespace {

constexpr int kFirstKeycode = 8, kLastKeycode = 255;

// The key alone, with Caps Lock, with Num Lock, with both.
std::array<XIGrabModifiers, 4> LockVariants() {
    return {{{0, 0}, {LockMask, 0}, {Mod2Mask, 0}, {LockMask | Mod2Mask, 0}}};
}

}  // namespace

int32_t ButtonCodeOfX(int xButton) {
    switch (xButton) {
        case 1:
            return kLeftButton;
        case 2:
            return kMiddleButton;
        case 3:
            return kRightButton;
        case 8:
            return kXButton1;
        case 9:
            return kXButton2;
        default:
            return 0;
    }
}

int XButtonOf(int32_t code) {
    for (int x : {1, 2, 3, 8, 9})
        if (ButtonCodeOfX(x) == code) return x;
    return 0;
}

std::vector<int> XGrabs::MasterKeyboards() {
    // Key grabs name each master keyboard: the server takes the modes of a grab on the
    // all-master-devices pseudo device in pointer order, which froze the pointer (not the
    // keyboard) until the hotkey was released.
    std::vector<int> keyboards;
    int count = 0;
    if (XIDeviceInfo* devices = XIQueryDevice(display_, XIAllMasterDevices, &count)) {
        for (int i = 0; i < count; ++i)
            if (devices[i].use == XIMasterKeyboard) keyboards.push_back(devices[i].deviceid);
        XIFreeDeviceInfo(devices);
    }
    return keyboards;
}

bool XGrabs::GrabKey(int keycode) {
    const Window root = DefaultRootWindow(display_);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XISetMask(bits, XI_KeyRelease);
    bool all = !keyboards_.empty();
    for (int keyboard : keyboards_) {
        XIEventMask mask{keyboard, sizeof(bits), bits};
        XIGrabModifiers any{static_cast<int>(XIAnyModifier), 0};
        if (XIGrabKeycode(display_, keyboard, keycode, root, XIGrabModeSync, XIGrabModeAsync, False,
                          &mask, 1, &any) == 0) {
            continue;
        }
        std::array<XIGrabModifiers, 4> locks = LockVariants();
        const int failed = XIGrabKeycode(display_, keyboard, keycode, root, XIGrabModeSync,
                                         XIGrabModeAsync, False, &mask, 4, locks.data());
        all = all && failed < 4;
    }
    return all;
}

bool XGrabs::GrabButton(int xButton) {
    const Window root = DefaultRootWindow(display_);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_ButtonPress);
    XISetMask(bits, XI_ButtonRelease);
    XIEventMask mask{XIAllMasterDevices, sizeof(bits), bits};
    XIGrabModifiers any{static_cast<int>(XIAnyModifier), 0};
    if (XIGrabButton(display_, XIAllMasterDevices, xButton, root, None, XIGrabModeSync,
                     XIGrabModeAsync, False, &mask, 1, &any) == 0) {
        return true;
    }
    std::array<XIGrabModifiers, 4> locks = LockVariants();
    return XIGrabButton(display_, XIAllMasterDevices, xButton, root, None, XIGrabModeSync,
                        XIGrabModeAsync, False, &mask, 4, locks.data()) < 4;
}

std::set<int> XGrabs::HotkeyKeycodes(const CaptureGrabs& want) const {
    std::set<int> keycodes;
    for (int32_t code : want.hotkeys) {
        if (code == 0 || IsButtonCode(code)) continue;
        const KeySym keysym = VkToKeysym(static_cast<uint32_t>(code));
        if (const KeyCode keycode = keysym ? XKeysymToKeycode(display_, keysym) : 0)
            keycodes.insert(keycode);
    }
    return keycodes;
}

bool XGrabs::KeycodesMoved() const {
    return HotkeyKeycodes(held_) != keycodes_;
}

void XGrabs::Release() {
    const Window root = DefaultRootWindow(display_);
    XIGrabModifiers any{static_cast<int>(XIAnyModifier), 0};
    // An ungrab with any modifier also removes the lock-key variants.
    for (int keyboard : keyboards_) {
        if (anyKey_) XIUngrabKeycode(display_, keyboard, XIAnyKeycode, root, 1, &any);
        for (int keycode : keycodes_)
            XIUngrabKeycode(display_, keyboard, keycode, root, 1, &any);
    }
    for (int button : buttons_)
        XIUngrabButton(display_, XIAllMasterDevices, button, root, 1, &any);
    anyKey_ = false;
    keycodes_.clear();
    buttons_.clear();
    held_ = {};
    XSync(display_, False);
}

XGrabs::Outcome XGrabs::Hold(const CaptureGrabs& want) {
    Release();
    Outcome outcome;
    ungrabbed_.clear();
    keyboards_ = MasterKeyboards();
    held_ = want;
    if (want.anyKey) {
        // One grab for every key, or, where another program holds some, one per key.
        bool whole = !keyboards_.empty();
        const Window root = DefaultRootWindow(display_);
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_KeyPress);
        XISetMask(bits, XI_KeyRelease);
        for (int keyboard : keyboards_) {
            XIEventMask mask{keyboard, sizeof(bits), bits};
            XIGrabModifiers any{static_cast<int>(XIAnyModifier), 0};
            whole = whole && XIGrabKeycode(display_, keyboard, XIAnyKeycode, root, XIGrabModeSync,
                                           XIGrabModeAsync, False, &mask, 1, &any) == 0;
        }
        anyKey_ = whole;
        if (!whole) {
            Release();
            keyboards_ = MasterKeyboards();
            held_ = want;
            for (int keycode = kFirstKeycode; keycode <= kLastKeycode; ++keycode) {
                if (GrabKey(keycode)) {
                    keycodes_.insert(keycode);
                    continue;
                }
                const KeySym keysym = XkbKeycodeToKeysym(display_, keycode, 0, 0);
                if (const char* name = keysym != NoSymbol ? XKeysymToString(keysym) : nullptr)
                    outcome.heldByOthers.push_back(name);
            }
            if (keycodes_.empty()) outcome.refused.anyKey = true;
        }
    }
    uint8_t tried = 0;
    for (size_t i = 0; i < want.hotkeys.size(); ++i) {
        const int32_t code = want.hotkeys[i];
        if (code == 0) continue;
        if (IsButtonCode(code)) {
            if (tried & ButtonBit(code)) continue;
            tried |= ButtonBit(code);
            if (GrabButton(XButtonOf(code))) {
                buttons_.insert(XButtonOf(code));
            } else {
                outcome.refused.hotkeys[i] = code;
            }
            continue;
        }
        const KeySym keysym = VkToKeysym(static_cast<uint32_t>(code));
        const int keycode = keysym ? XKeysymToKeycode(display_, keysym) : 0;
        if (keycode == 0) {
            outcome.unmapped.push_back(code);
        } else if (!anyKey_ && !keycodes_.count(keycode)) {
            if (GrabKey(keycode)) {
                keycodes_.insert(keycode);
            } else {
                outcome.refused.hotkeys[i] = code;
            }
        }
    }
    for (int32_t code : {kLeftButton, kRightButton, kMiddleButton, kXButton1, kXButton2}) {
        if (!want.HasButton(code) || buttons_.count(XButtonOf(code))) continue;
        if (GrabButton(XButtonOf(code))) {
            buttons_.insert(XButtonOf(code));
        } else {
            outcome.refused.buttons |= ButtonBit(code);
        }
    }
    for (int32_t code : outcome.refused.hotkeys)
        if (code != 0) ungrabbed_.push_back(code);
    ungrabbed_.insert(ungrabbed_.end(), outcome.unmapped.begin(), outcome.unmapped.end());
    XSync(display_, False);
    return outcome;
}

}  // namespace velotap
