// Predicates and matchers the scenario detectors are built from.
#include <algorithm>
#include <utility>

#include "scan/macro_scan.h"

namespace velotap {

namespace MacroScan {

namespace {
constexpr size_t kMaxSequenceStarts = 500;
constexpr size_t kBurstLength = 8;
constexpr double kBurstSeconds = 5.0;

double TimeOf(const KeyEv& key) {
    return key.event->time;
}
bool Accepts(const KeyPredicate& predicate, const KeyEv& key) {
    return predicate(*key.event, key.mods);
}
}  // namespace

ModFamily ModFamilyOf(uint32_t vk) {
    switch (vk) {
        case 16:
        case 160:
        case 161:
            return ModFamily::Shift;
        case 17:
        case 162:
        case 163:
            return ModFamily::Ctrl;
        case 18:
        case 164:
        case 165:
            return ModFamily::Alt;
        case 91:
        case 92:
            return ModFamily::Win;
        default:
            return ModFamily::None;
    }
}

KeyPredicate Combo(std::vector<ModFamily> families, uint32_t vk) {
    HeldMods wanted;
    for (ModFamily family : families) {
        switch (family) {
            case ModFamily::Ctrl:
                wanted.ctrl = true;
                break;
            case ModFamily::Alt:
                wanted.alt = true;
                break;
            case ModFamily::Shift:
                wanted.shift = true;
                break;
            case ModFamily::Win:
                wanted.win = true;
                break;
            case ModFamily::None:
                break;
        }
    }
    return [wanted, vk](const UnifiedEvent& event, const HeldMods& mods) {
        return event.vk == vk && mods.ctrl == wanted.ctrl && mods.alt == wanted.alt &&
               mods.shift == wanted.shift && mods.win == wanted.win;
    };
}

KeyPredicate AnyOf(std::vector<KeyPredicate> predicates) {
    return [predicates = std::move(predicates)](const UnifiedEvent& event, const HeldMods& mods) {
        for (const auto& predicate : predicates) {
            if (predicate(event, mods)) return true;
        }
        return false;
    };
}

bool IsTypedKey(const UnifiedEvent& event, const HeldMods& mods) {
    if (mods.ctrl || mods.alt || mods.win) return false;
    uint32_t vk = event.vk;
    return (vk >= 48 && vk <= 57) || (vk >= 65 && vk <= 90) || vk == 32 ||
           (vk >= 96 && vk <= 105) || (vk >= 186 && vk <= 192) || (vk >= 219 && vk <= 223);
}

bool IsBareWinKey(const UnifiedEvent& event, const HeldMods& mods) {
    return (event.vk == 91 || event.vk == 92) && !mods.ctrl && !mods.alt && !mods.shift;
}

std::vector<KeyEv> KeyDowns(const std::vector<UnifiedEvent>& events) {
    std::vector<KeyEv> keys;
    // One exact allocation: fresh memory is the main cost of scanning a long macro.
    keys.reserve(std::count_if(events.begin(), events.end(), [](const UnifiedEvent& e) {
        return e.type == EventType::Key && e.down;
    }));
    HeldMods held;
    for (const UnifiedEvent& event : events) {
        if (event.type != EventType::Key) continue;
        if (event.down) keys.push_back({&event, held});
        switch (ModFamilyOf(event.vk)) {
            case ModFamily::Ctrl:
                held.ctrl = event.down;
                break;
            case ModFamily::Alt:
                held.alt = event.down;
                break;
            case ModFamily::Shift:
                held.shift = event.down;
                break;
            case ModFamily::Win:
                held.win = event.down;
                break;
            case ModFamily::None:
                break;
        }
    }
    return keys;
}

SeqResult MatchSequence(const std::vector<KeyEv>& keys, const std::vector<KeyPredicate>& steps,
                        std::optional<double> window) {
    if (steps.empty()) return {};
    size_t attempts = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (attempts >= kMaxSequenceStarts) return {};
        if (!Accepts(steps[0], keys[i])) continue;
        double t0 = TimeOf(keys[i]);
        size_t satisfied = 1;
        bool ranToEnd = true;
        for (size_t j = i + 1; j < keys.size(); ++j) {
            if (satisfied == steps.size() || (window && TimeOf(keys[j]) - t0 > *window)) {
                ranToEnd = false;
                break;
            }
            if (Accepts(steps[satisfied], keys[j])) ++satisfied;
        }
        ++attempts;
        if (satisfied == steps.size()) return {true, t0};
        // Greedy matching finds the steps whenever they occur in order, and a later start sees
        // only part of what this one saw: no later start can succeed either.
        if (ranToEnd) return {};
    }
    return {};
}

SeqResult CountWithin(const std::vector<KeyEv>& keys, const KeyPredicate& predicate, size_t count,
                      double window) {
    if (count == 0) return {};
    // The last `count` accepted times, oldest at `next` once full.
    std::vector<double> recent(count);
    size_t seen = 0;
    for (const KeyEv& key : keys) {
        if (!Accepts(predicate, key)) continue;
        recent[seen % count] = TimeOf(key);
        ++seen;
        if (seen >= count) {
            double first = recent[seen % count];
            if (TimeOf(key) - first <= window) return {true, first};
        }
    }
    return {};
}

TypingBurst FindTypingBurst(const std::vector<KeyEv>& keys) {
    // Positions of the last eight typed keys, oldest at `seen % 8` once full.
    size_t recent[kBurstLength] = {};
    size_t seen = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!IsTypedKey(*keys[i].event, keys[i].mods)) continue;
        recent[seen % kBurstLength] = i;
        ++seen;
        if (seen >= kBurstLength) {
            double first = TimeOf(keys[recent[seen % kBurstLength]]);
            if (TimeOf(keys[i]) - first <= kBurstSeconds) return {true, first, i};
        }
    }
    return {};
}

}  // namespace MacroScan

}  // namespace velotap
