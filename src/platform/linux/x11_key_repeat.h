#pragma once
// The X server repeats a held key on its own timer, but raw events carry no repeats: this follows
// the server's rules for one keyboard device so that the repeats can be derived. A key that
// repeats (repeat keys on, its bit in the per-key mask) repeats first after the delay, then at the
// interval; only the last such key pressed repeats, and it stops at its own release. Times of the
// server (milliseconds) decide which repeats came before a release; local times (nanoseconds of
// the monotonic clock) say when a repeat is due while the key is still held.
#include <array>
#include <cstdint>
#include <limits>

namespace velotap {

struct KeyRepeatControls {
    bool enabled = true;
    unsigned delayMs = 660, intervalMs = 40;
    std::array<uint8_t, 32> perKey{};  // bit per keycode

    bool Repeats(int keycode) const;
};

class KeyRepeatClock {
  public:
    // A press at server time `time`, seen at local time `now`.
    void Press(int keycode, unsigned long time, int64_t now, const KeyRepeatControls& controls);
    // How many repeats of the repeating key came before server time `time` and were not taken.
    int Owed(unsigned long time);
    // A release: the repeating key's own release stops it.
    void Release(int keycode);
    // Repeats due by local time `now` that were not taken yet.
    int Take(int64_t now);
    // Local time of the next repeat; the largest value when no key repeats.
    int64_t NextAt() const;
    // The repeating key, 0 for none.
    int Key() const { return key_; }

  private:
    int key_ = 0;
    unsigned long pressTime_ = 0;
    int64_t pressNow_ = 0;
    unsigned delayMs_ = 0, intervalMs_ = 1;
    int taken_ = 0;  // repeats handed out so far
};

}  // namespace velotap
