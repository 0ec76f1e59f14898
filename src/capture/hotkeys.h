#pragma once
// The five hotkey slots, the hotkey lock and the press and release operations the capture backends
// call. Everything here reads in-memory state only: a backend may be holding the whole keyboard
// while it waits for the verdict.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "platform/capture_input.h"

namespace velotap {

class Event;

inline constexpr int32_t kDefaultRecordingKey = 119;  // F8
inline constexpr int32_t kDefaultPlaybackKey = 118;   // F7
inline constexpr int32_t kDefaultClickKey = 117;      // F6
inline constexpr int32_t kDefaultKeySpamKey = 120;    // F9
inline constexpr int32_t kDefaultUnlockKey = 121;     // F10

struct HotkeySlots {
    Int recording{kDefaultRecordingKey};
    Int playback{kDefaultPlaybackKey};
    Int clickSpammer{kDefaultClickKey};
    Int keySpammer{kDefaultKeySpamKey};
    Int unlock{kDefaultUnlockKey};
};

// resetHotkeys: the five defaults; the key spammer targets stay.
void ResetHotkeys(HotkeySlots& slots);
// Stores a captured key for slots 1-4 and 6; other slots change nothing.
void AssignHotkey(HotkeySlots& slots, int32_t slot, int32_t key);

// The slot number of a reassignKey name ("rec", "play", "auto", "keyspamhotkey", "keyspamtarget",
// "unlock"); kSlotNone for any other text.
int32_t SlotFromName(std::string_view name);
// The name of a slot number; empty for none or an unknown number.
const char* SlotName(int32_t slot);

// The program settings the hotkeys follow, read by the engine and capture threads without a lock.
struct HotkeySettings {
    Flag hotkeysEnabled{1};
    Flag hotkeyLock{1};
    // Raised when the page changes the hotkey lock; the hotkey logic takes it with exchange.
    Flag hotkeyLockChanged{0};
};

// What the press and release operations read and raise.
struct HotkeyContext {
    EngineState& engine;
    HotkeySlots& slots;
    const Flag& lockOn;        // the "hotkeyLock" setting
    Flag& lockChanged;         // raised whenever that setting is written
    Flag& unlocked;            // runtime state, true at start-up
    Event* command = nullptr;  // signalled after a request
};

// The unlocked state after a pending write of the lock setting: writing it always unlocks.
bool Unlocked(HotkeyContext& context);

// A first press of `code` (not an auto-repeat, not injected). True when it is consumed: a hotkey
// matched (its request raised) or the unlock key toggled the lock.
bool HotkeyPress(HotkeyContext& context, int32_t code);
// The release of a code whose press was consumed: hold modes stop their tool.
void HotkeyRelease(HotkeyContext& context, int32_t code);

}  // namespace velotap
