#include "capture/hotkeys.h"

#include "base/event.h"

namespace velotap {

namespace {

struct SlotNameEntry {
    int32_t slot;
    const char* name;
};

constexpr SlotNameEntry kSlotNames[] = {
    {kSlotRecording, "rec"},
    {kSlotPlayback, "play"},
    {kSlotClickSpammer, "auto"},
    {kSlotKeySpammer, "keyspamhotkey"},
    {kSlotKeySpamTarget, "keyspamtarget"},
    {kSlotUnlock, "unlock"},
};

void Raise(Flag& request) {
    request.exchange(1);
}

void Signal(HotkeyContext& c) {
    if (c.command) c.command->Set();
}

}  // namespace

void ResetHotkeys(HotkeySlots& slots) {
    slots.recording.exchange(kDefaultRecordingKey);
    slots.playback.exchange(kDefaultPlaybackKey);
    slots.clickSpammer.exchange(kDefaultClickKey);
    slots.keySpammer.exchange(kDefaultKeySpamKey);
    slots.unlock.exchange(kDefaultUnlockKey);
}

void AssignHotkey(HotkeySlots& slots, int32_t slot, int32_t key) {
    switch (slot) {
        case kSlotRecording:
            slots.recording.exchange(key);
            break;
        case kSlotPlayback:
            slots.playback.exchange(key);
            break;
        case kSlotClickSpammer:
            slots.clickSpammer.exchange(key);
            break;
        case kSlotKeySpammer:
            slots.keySpammer.exchange(key);
            break;
        case kSlotUnlock:
            slots.unlock.exchange(key);
            break;
        default:
            break;
    }
}

int32_t SlotFromName(std::string_view name) {
    for (const SlotNameEntry& e : kSlotNames)
        if (name == e.name) return e.slot;
    return kSlotNone;
}

const char* SlotName(int32_t slot) {
    for (const SlotNameEntry& e : kSlotNames)
        if (slot == e.slot) return e.name;
    return "";
}

bool Unlocked(HotkeyContext& c) {
    if (c.lockChanged.exchange(0)) c.unlocked.exchange(1);
    return c.unlocked.load() != 0;
}

bool HotkeyPress(HotkeyContext& c, int32_t code) {
    EngineRequests& r = c.engine.requests;
    const bool lockOn = c.lockOn.load() != 0;
    const bool unlocked = Unlocked(c);
    if (lockOn && code == c.slots.unlock.load()) {
        c.unlocked.exchange(unlocked ? 0 : 1);
        if (unlocked) {
            Raise(r.stopClick);
            Raise(r.stopKeySpam);
            Raise(r.stopPlayback);
        }
        Signal(c);
        return true;
    }
    if (lockOn && !unlocked) return false;

    if (code == c.slots.recording.load()) {
        Raise(r.toggleRecording);
    } else if (code == c.slots.playback.load()) {
        Raise(r.togglePlayback);
    } else if (code == c.slots.clickSpammer.load()) {
        Raise(c.engine.holdAuto.load() ? r.startClick : r.toggleClick);
    } else if (code == c.slots.keySpammer.load()) {
        Raise(c.engine.holdKeySpam.load() ? r.startKeySpam : r.toggleKeySpam);
    } else {
        return false;
    }
    Signal(c);
    return true;
}

void HotkeyRelease(HotkeyContext& c, int32_t code) {
    EngineRequests& r = c.engine.requests;
    bool raised = false;
    if (code == c.slots.clickSpammer.load() && c.engine.holdAuto.load()) {
        Raise(r.stopClick);
        raised = true;
    }
    if (code == c.slots.keySpammer.load() && c.engine.holdKeySpam.load()) {
        Raise(r.stopKeySpam);
        raised = true;
    }
    if (raised) Signal(c);
}

}  // namespace velotap
