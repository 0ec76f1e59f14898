#include "platform/linux/x11_key_repeat.h"

#include <algorithm>

namespace velotap {

bool KeyRepeatControls::Repeats(int keycode) const {
    return enabled && keycode > 0 && keycode < 256 && (perKey[keycode / 8] >> (keycode % 8)) & 1;
}

void KeyRepeatClock::Press(int keycode, unsigned long time, int64_t now,
                           const KeyRepeatControls& controls) {
    // A key that does not repeat (a modifier) leaves the repeating key repeating.
    if (!controls.Repeats(keycode)) return;
    key_ = keycode;
    pressTime_ = time;
    pressNow_ = now;
    delayMs_ = controls.delayMs;
    intervalMs_ = std::max(1u, controls.intervalMs);
    taken_ = 0;
}

int KeyRepeatClock::Owed(unsigned long time) {
    if (key_ == 0) return 0;
    // Server times wrap after 49.7 days; the difference stays right across the wrap.
    const unsigned long held = time - pressTime_;
    const int due = held > delayMs_ ? 1 + static_cast<int>((held - delayMs_ - 1) / intervalMs_) : 0;
    const int owed = std::max(0, due - taken_);
    taken_ += owed;
    return owed;
}

void KeyRepeatClock::Release(int keycode) {
    if (keycode == key_) key_ = 0;
}

int KeyRepeatClock::Take(int64_t now) {
    if (key_ == 0 || now < NextAt()) return 0;
    const int64_t heldMs = (now - pressNow_) / 1'000'000;
    const int due = 1 + static_cast<int>((heldMs - delayMs_) / intervalMs_);
    const int owed = std::max(0, due - taken_);
    taken_ += owed;
    return owed;
}

int64_t KeyRepeatClock::NextAt() const {
    if (key_ == 0) return std::numeric_limits<int64_t>::max();
    const int64_t offsetMs = static_cast<int64_t>(delayMs_) + int64_t{taken_} * intervalMs_;
    return pressNow_ + offsetMs * 1'000'000;
}

}  // namespace velotap
