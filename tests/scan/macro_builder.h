#pragma once
// Builds key macros for scanner tests: presses, releases and chords at given times.
#include <initializer_list>
#include <iterator>
#include <vector>

#include "macro/unified_event.h"

namespace velotap {

namespace vk {
inline constexpr uint32_t Backspace = 8, Tab = 9, Enter = 13, Shift = 16, Ctrl = 17, Alt = 18,
                          Esc = 27, Space = 32, PrintScreen = 44, Delete = 46, Win = 91, RWin = 92,
                          F4 = 115, F6 = 117, LShift = 160, LCtrl = 162, RCtrl = 163, LAlt = 164;
constexpr uint32_t Key(char letter) {
    return static_cast<uint32_t>(letter);
}
}  // namespace vk

class MacroBuilder {
  public:
    MacroBuilder& Down(uint32_t code, double t) {
        events_.push_back({3, t, 0, 0, 0, code, true, 0});
        return *this;
    }
    MacroBuilder& Up(uint32_t code, double t) {
        events_.push_back({3, t, 0, 0, 0, code, false, 0});
        return *this;
    }
    MacroBuilder& Tap(uint32_t code, double t) { return Down(code, t).Up(code, t); }
    // Modifiers down in order, the key tapped, modifiers up in reverse order; all at time t.
    MacroBuilder& Chord(std::initializer_list<uint32_t> mods, uint32_t code, double t) {
        for (uint32_t m : mods)
            Down(m, t);
        Tap(code, t);
        for (auto it = std::rbegin(mods); it != std::rend(mods); ++it)
            Up(*it, t);
        return *this;
    }
    // Each letter tapped, `step` seconds apart from t.
    MacroBuilder& Type(const char* letters, double t, double step = 0.1) {
        for (const char* c = letters; *c; ++c, t += step)
            Tap(vk::Key(*c), t);
        return *this;
    }
    MacroBuilder& Mouse(double t) {
        events_.push_back({2, t, 5, 5, 0x0002, 0, false, 0});
        return *this;
    }
    const std::vector<UnifiedEvent>& events() const { return events_; }

  private:
    std::vector<UnifiedEvent> events_;
};

}  // namespace velotap
