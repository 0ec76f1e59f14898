#include "capture/capture_core.h"

#include "base/event.h"
#include "engine/click_spammer.h"
#include "macro/recorder.h"

namespace velotap {

namespace {

size_t Index(int32_t code) {
    return static_cast<size_t>(code) & 0xFF;
}

PickButton ToPickButton(int32_t button) {
    switch (button) {
        case kLeftButton:
            return PickButton::Left;
        case kRightButton:
            return PickButton::Right;
        case kMiddleButton:
            return PickButton::Middle;
        default:
            return PickButton::X;
    }
}

}  // namespace

uint32_t ButtonRecordFlag(int32_t button, bool press) {
    switch (button) {
        case kLeftButton:
            return press ? 0x0002 : 0x0004;
        case kRightButton:
            return press ? 0x0008 : 0x0010;
        case kMiddleButton:
            return press ? 0x0020 : 0x0040;
        case kXButton1:
        case kXButton2:
            return press ? 0x0080 : 0;
        default:
            return 0;
    }
}

bool CaptureCore::Recording() const {
    return c_.recorder && c_.engine.recording.load();
}

void CaptureCore::Append(UnifiedEvent event) {
    event.time = c_.recorder->Now();
    c_.recorder->Append(event);
}

bool CaptureCore::ReassignPending() const {
    // Once a press was captured the slot waits only for the command processor to store it.
    return c_.engine.pendingSlot.load() != kSlotNone && c_.engine.capturedKey.load() == 0;
}

CaptureGrabs CaptureCore::WantedGrabs() {
    CaptureGrabs g;
    g.hotkeys = HotkeyCodes();
    if (ReassignPending()) {
        g.anyKey = true;
        const int32_t slot = c_.engine.pendingSlot.load();
        if (slot != kSlotKeySpamTarget) {
            g.buttons |= ButtonBit(kRightButton) | ButtonBit(kMiddleButton) | ButtonBit(kXButton1) |
                         ButtonBit(kXButton2);
            if (slot != kSlotUnlock) g.buttons |= ButtonBit(kLeftButton);
        }
    }
    if (c_.engine.pickingLocation.load()) {
        g.buttons |= ButtonBit(kLeftButton) | ButtonBit(kRightButton) | ButtonBit(kMiddleButton);
    }
    return g;
}

bool CaptureCore::ReleaseSwallowed(int32_t code, bool button) const {
    return (button ? buttonConsumed_ : keyConsumed_)[Index(code)] != 0;
}

void CaptureCore::GrabsRefused(const CaptureGrabs& refused) {
    for (int32_t code : refused.hotkeys) {
        if (code != 0) {
            Report("Hotkey unavailable: another program already uses key " + std::to_string(code) +
                   ".");
        }
    }
    // A pick or a reassignment is the user waiting for an answer: told every time.
    if (refused.anyKey && ReassignPending()) {
        c_.engine.pendingSlot.exchange(kSlotNone);
        if (c_.report) {
            c_.report("The hotkey cannot be assigned: another program holds every key.");
        }
    }
    if (refused.HasButton(kLeftButton) && c_.engine.pickingLocation.exchange(0) && c_.report) {
        c_.report("The point cannot be picked: another program holds the left mouse button.");
    }
}

HotkeySet CaptureCore::HotkeyCodes() {
    const HotkeySlots& s = c_.hotkeys.slots;
    if (!c_.hotkeysEnabled.load()) return {};
    const bool lockOn = c_.hotkeys.lockOn.load() != 0;
    if (lockOn && !Unlocked(c_.hotkeys)) return {0, 0, 0, 0, s.unlock.load()};
    return {s.recording.load(), s.playback.load(), s.clickSpammer.load(), s.keySpammer.load(),
            lockOn ? s.unlock.load() : 0};
}

void CaptureCore::Report(const std::string& message) {
    if (!reported_.insert(message).second) return;
    if (c_.report) c_.report(message);
}

Verdict CaptureCore::Key(uint32_t vk, bool press, bool injected) {
    if (injected) return Verdict::Pass;
    const size_t k = Index(static_cast<int32_t>(vk));
    bool swallow = false;
    if (!press) {
        keyDown_[k] = 0;
        if (keyConsumed_[k]) {
            keyConsumed_[k] = 0;
            HotkeyRelease(c_.hotkeys, static_cast<int32_t>(k));
            return Verdict::Swallow;
        }
    } else if (ReassignPending()) {
        c_.engine.capturedKey.exchange(static_cast<int32_t>(vk));
        if (c_.hotkeys.command) c_.hotkeys.command->Set();
        return Verdict::Swallow;
    } else if (!keyDown_[k]) {
        keyDown_[k] = 1;
        if (c_.hotkeysEnabled.load() && HotkeyPress(c_.hotkeys, static_cast<int32_t>(k))) {
            keyConsumed_[k] = 1;
            swallow = true;
        }
    } else if (keyConsumed_[k]) {
        swallow = true;  // auto-repeat of a held hotkey
    }
    if (swallow) return Verdict::Swallow;

    if (Recording() && c_.engine.recorder.tkey.load()) {
        UnifiedEvent e;
        e.type = EventType::Key;
        e.vk = vk;
        e.down = press;
        Append(e);
    }
    return Verdict::Pass;
}

Verdict CaptureCore::Button(int32_t button, bool press, int32_t x, int32_t y, bool injected) {
    if (injected) return Verdict::Pass;
    const size_t b = Index(button);
    if (press && c_.engine.pickingLocation.load()) {
        const PickOutcome outcome = HandlePickPress(c_.engine, ToPickButton(button), x, y, false);
        if (outcome == PickOutcome::Picked && c_.pickedLocation) c_.pickedLocation();
        if (Swallowed(outcome)) return Verdict::Swallow;
    }
    const int32_t slot = c_.engine.pendingSlot.load();
    if (press && ReassignPending() && slot != kSlotKeySpamTarget &&
        !(slot == kSlotUnlock && button == kLeftButton)) {
        c_.engine.capturedKey.exchange(button);
        if (c_.hotkeys.command) c_.hotkeys.command->Set();
        return Verdict::Swallow;
    }
    if (press) {
        if (!buttonDown_[b]) {
            buttonDown_[b] = 1;
            if (c_.hotkeysEnabled.load() && HotkeyPress(c_.hotkeys, button)) {
                buttonConsumed_[b] = 1;
                return Verdict::Swallow;
            }
        }
    } else {
        buttonDown_[b] = 0;
        if (buttonConsumed_[b]) {
            buttonConsumed_[b] = 0;
            HotkeyRelease(c_.hotkeys, button);
            return Verdict::Swallow;
        }
    }

    if (!Recording()) return Verdict::Pass;
    // A press and its release on a window of this program are skipped together.
    bool own = false;
    if (press) {
        own = c_.ownWindow && c_.ownWindow(x, y);
        buttonOwn_[b] = own ? 1 : 0;
    } else if (buttonOwn_[b]) {
        buttonOwn_[b] = 0;
        own = true;
    }
    const uint32_t flags = ButtonRecordFlag(button, press);
    if (!own && flags != 0 && c_.engine.recorder.tclk.load()) {
        UnifiedEvent e;
        e.type = EventType::MouseButton;
        e.x = x;
        e.y = y;
        e.flags = flags;
        Append(e);
    }
    return Verdict::Pass;
}

void CaptureCore::Move(int32_t x, int32_t y, bool injected) {
    if (injected || !Recording()) {
        lastX_ = x;
        lastY_ = y;
        return;
    }
    if (!c_.engine.recorder.tmv.load()) return;
    if (c_.engine.recorder.trel.load()) {
        lastX_ = x;
        lastY_ = y;
        return;
    }
    if (x == lastX_ && y == lastY_) return;
    UnifiedEvent e;
    e.type = EventType::AbsoluteMove;
    e.x = x;
    e.y = y;
    Append(e);
    lastX_ = x;
    lastY_ = y;
}

void CaptureCore::Wheel(int32_t delta, bool injected) {
    if (injected || !Recording() || !c_.engine.recorder.tscr.load()) return;
    UnifiedEvent e;
    e.type = EventType::Wheel;
    e.wheel = delta;
    Append(e);
}

void CaptureCore::RawMotion(int32_t dx, int32_t dy) {
    if (!Recording() || !c_.engine.recorder.tmv.load() || !c_.engine.recorder.trel.load()) return;
    if (dx == 0 && dy == 0) return;
    UnifiedEvent e;
    e.type = EventType::RelativeMove;
    e.x = dx;
    e.y = dy;
    Append(e);
}

void CaptureCore::SessionLocked() {
    keyDown_.fill(0);
    keyConsumed_.fill(0);
    buttonDown_.fill(0);
    buttonConsumed_.fill(0);
    if (c_.engine.holdAuto.load()) c_.engine.requests.stopClick.exchange(1);
    if (c_.engine.holdKeySpam.load()) c_.engine.requests.stopKeySpam.exchange(1);
    if (c_.hotkeys.command) c_.hotkeys.command->Set();
}

}  // namespace velotap
