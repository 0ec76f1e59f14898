#pragma once
// The macro risk scanner: reduces a macro to its key-downs with the modifiers held at each, runs
// the scenario catalogue over them and reports what matched. A pure function of the events.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "macro/unified_event.h"

namespace velotap {

namespace MacroScan {

enum class ModFamily : uint32_t { None = 0, Ctrl = 1, Alt = 2, Shift = 3, Win = 4 };

ModFamily ModFamilyOf(uint32_t vk);

// Left and right keys of one family share one flag.
struct HeldMods {
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
    bool win = false;
};

// One key-down and the modifiers held just before it went down. Points into the scanned list.
struct KeyEv {
    const UnifiedEvent* event = nullptr;
    HeldMods mods;
};

using KeyPredicate = std::function<bool(const UnifiedEvent&, const HeldMods&)>;

// True for `vk` with exactly the listed modifier families held (an empty list: none held).
KeyPredicate Combo(std::vector<ModFamily> families, uint32_t vk);
// True when any of `predicates` is, tried in order; false for an empty list.
KeyPredicate AnyOf(std::vector<KeyPredicate> predicates);

// A character key (digits, letters, space, keypad digits, punctuation) with at most Shift held.
bool IsTypedKey(const UnifiedEvent& event, const HeldMods& mods);
// A Windows key with no Ctrl, Alt or Shift held.
bool IsBareWinKey(const UnifiedEvent& event, const HeldMods& mods);

struct SeqResult {
    bool matched = false;
    double atSec = 0;
};

struct Scenario {
    std::string id;
    std::string severity;  // "DANGER" or "CAUTION"
    std::string label;
    std::string message;
    std::function<SeqResult(const std::vector<KeyEv>&)> detect;
};

// The key-downs of `events` in order, each with the modifiers held before it.
std::vector<KeyEv> KeyDowns(const std::vector<UnifiedEvent>& events);

// The steps in order with gaps allowed, greedily; at most 500 starts that step 1 accepts are
// tried. With a window, a step must be met at most `window` seconds after the first.
SeqResult MatchSequence(const std::vector<KeyEv>& keys, const std::vector<KeyPredicate>& steps,
                        std::optional<double> window);
// `count` accepted key-downs whose first and last are at most `window` seconds apart.
SeqResult CountWithin(const std::vector<KeyEv>& keys, const KeyPredicate& predicate, size_t count,
                      double window);

struct TypingBurst {
    bool found = false;
    double firstSec = 0;     // time of the burst's first key
    size_t eighthIndex = 0;  // position of its eighth key in the key-down list
};
// The first eight typed keys within 5.0 seconds.
TypingBurst FindTypingBurst(const std::vector<KeyEv>& keys);

// The fixed catalogue, built once.
const std::vector<Scenario>& Scenarios();

struct ScanMatch {
    std::string id;
    std::string severity;
    std::string message;
    std::string label;
    double atSec = 0;
};

struct ScanResult {
    std::string level = "none";  // "none", "caution" or "danger"
    std::vector<ScanMatch> matches;
};

ScanResult ScanMacro(const std::vector<UnifiedEvent>& events);

// {"level":"…","matches":[{"id":"…","severity":"…","atSec":N},…]} without white space.
std::string ScanResultToJson(const ScanResult& result);

}  // namespace MacroScan

}  // namespace velotap
