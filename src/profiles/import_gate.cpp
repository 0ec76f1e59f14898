// The rule by which the key spammer's presses join an imported macro's scan:
//
// - Playback time: each event plays at the latest time seen so far in list order (the player
//   never waits for an earlier time; a time that is not finite counts as the one before). Speed
//   1, one pass.
// - A tool event for the key spammer (type 5, code 2) that switches it on starts a run at its
//   playback time, unless a run is going or the settings hold no target; one that switches it off
//   ends the run there. A run not ended goes on to the last event's playback time.
// - Cycle k of a run (k = 0, 1, 2, ...) comes k intervals after the run's start (the interval of
//   the settings, as the key spammer computes it) and counts while its time is not after the run's
//   end; cycle 0 always counts. In counted mode only the first "ksRptTimes" cycles of a run count,
//   and the run ends with them.
// - A chord cycle presses every target in stored order, then releases them in the same order. A
//   single-key cycle presses and releases the next target in turn; the rotation starts at the first
//   target and goes on across runs.
// - A cycle's keys come after the macro's own events of an earlier or the same playback time and
//   before those of a later one; cycles at the time of the event that ends the run still count.
// - Between two neighbouring key events or key spammer switches of the macro, a run's cycles
//   repeat the same keys with nothing of the macro's keys among them. When there are more than
//   2 x R of them only the first R and the last R take part: R = 8 for a chord (a typing burst is
//   eight keys) and 9 x the target count for single keys (eight turns of the rotation and one
//   more). The cycles left out cannot complete a scenario the kept ones do not.
// - More than kMaxSpammerKeyDowns key-downs in all: not checked (the import is refused).
#include "profiles/import_gate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/engine_state.h"
#include "engine/timing.h"
#include "profiles/profile_settings.h"

namespace velotap {

namespace {

constexpr uint32_t kKeySpammerTool = 2;

bool IsKeySpammerSwitch(const UnifiedEvent& e) {
    return e.type == EventType::ToolSwitch && e.vk == kKeySpammerTool;
}

bool StartsKeySpammer(const UnifiedEvent& e) {
    return IsKeySpammerSwitch(e) && e.down;
}

// The key spammer as the imported settings would run it, adding its keys to `out`.
class SpammerModel {
  public:
    SpammerModel(std::string_view settings, std::vector<UnifiedEvent>& out) : out_(out) {
        EngineState s;
        ResetToolSettings(s);
        if (!settings.empty()) LoadProfileSettings(s, settings);
        for (int32_t i = 0; i < s.targets.Count(); ++i)
            targets_.push_back(
                static_cast<uint32_t>(s.targets.codes[static_cast<size_t>(i)].load()));
        const KeySpamSettings& k = s.keySpam;
        chord_ = k.chord.load() != 0;
        intervalMs_ = static_cast<double>(
            IntervalMs(k.ksh.load(), k.ksm.load(), k.kss.load(), k.ksms.load()));
        if (k.ksRptMode.load() == 0) maxCycles_ = std::max<int64_t>(k.ksRptTimes.load(), 0);
        const int64_t turns = chord_ ? 8 : 9 * static_cast<int64_t>(targets_.size());
        keep_ = std::max<int64_t>(turns, 1);
    }

    bool Running() const { return running_; }
    bool Overflowed() const { return keyDowns_ > kMaxSpammerKeyDowns; }

    void Switch(bool on, double at) {
        if (!on) {
            Cycles(at, true);
            running_ = false;
        } else if (!running_ && !targets_.empty() && maxCycles_ != 0) {
            running_ = true;
            start_ = at;
            next_ = 0;
        }
    }

    // Adds the cycles due before `limit` (or at it too, when `atLimit`).
    void Cycles(double limit, bool atLimit) {
        if (!running_) return;
        // One past the last cycle due, in a range a double counts exactly. `limit` is never before
        // the start, so cycle 0 is always due at the end of a run.
        const double steps = (limit - start_) * 1000.0 / intervalMs_;
        const double due = atLimit ? std::floor(steps) + 1 : std::ceil(steps);
        int64_t end = static_cast<int64_t>(std::clamp(due, 0.0, 1e15));
        if (maxCycles_ > 0) end = std::min(end, maxCycles_);
        if (end > next_) {
            const int64_t count = end - next_;
            if (count > 2 * keep_) {
                Emit(next_, next_ + keep_);
                Skip(count - 2 * keep_);
                Emit(end - keep_, end);
            } else {
                Emit(next_, end);
            }
            next_ = end;
        }
        if (maxCycles_ > 0 && next_ >= maxCycles_) running_ = false;
    }

  private:
    void Key(uint32_t code, double at, bool down) {
        UnifiedEvent e;
        e.type = EventType::Key;
        e.time = at;
        e.vk = code;
        e.down = down;
        out_.push_back(e);
        if (down) ++keyDowns_;
    }

    void Emit(int64_t from, int64_t to) {
        for (int64_t k = from; k < to && !Overflowed(); ++k) {
            const double at = start_ + static_cast<double>(k) * intervalMs_ / 1000.0;
            if (chord_) {
                for (uint32_t code : targets_)
                    Key(code, at, true);
                for (uint32_t code : targets_)
                    Key(code, at, false);
            } else {
                Key(targets_[rotation_], at, true);
                Key(targets_[rotation_], at, false);
                rotation_ = (rotation_ + 1) % targets_.size();
            }
        }
    }

    void Skip(int64_t cycles) {
        if (chord_) return;
        const auto n = static_cast<int64_t>(targets_.size());
        rotation_ = static_cast<size_t>((static_cast<int64_t>(rotation_) + cycles % n) % n);
    }

    std::vector<UnifiedEvent>& out_;
    std::vector<uint32_t> targets_;
    bool chord_ = false;
    double intervalMs_ = 1;
    int64_t maxCycles_ = -1;  // -1: until stopped
    int64_t keep_ = 1;
    bool running_ = false;
    double start_ = 0;
    int64_t next_ = 0;
    size_t rotation_ = 0;
    size_t keyDowns_ = 0;
};

}  // namespace

std::vector<UnifiedEvent> EventsAsPlayed(const std::vector<UnifiedEvent>& events,
                                         std::string_view settings, bool& checked) {
    checked = true;
    if (std::none_of(events.begin(), events.end(), StartsKeySpammer)) return events;
    std::vector<UnifiedEvent> played;
    played.reserve(events.size());
    SpammerModel spammer(settings, played);
    double now = 0;
    for (const UnifiedEvent& e : events) {
        if (std::isfinite(e.time) && e.time > now) now = e.time;
        // Only the macro's keys can come between two cycles in a way the scan sees.
        if (e.type == EventType::Key || IsKeySpammerSwitch(e)) spammer.Cycles(now, false);
        played.push_back(e);
        if (IsKeySpammerSwitch(e)) spammer.Switch(e.down, now);
        if (spammer.Overflowed()) break;
    }
    spammer.Cycles(now, true);
    checked = !spammer.Overflowed();
    if (!checked) played.clear();
    return played;
}

ImportScan ScanImport(const std::vector<UnifiedEvent>& events, std::string_view settings) {
    if (std::none_of(events.begin(), events.end(), StartsKeySpammer)) {
        return {true, MacroScan::ScanMacro(events)};
    }
    ImportScan scan;
    const std::vector<UnifiedEvent> played = EventsAsPlayed(events, settings, scan.checked);
    if (scan.checked) scan.result = MacroScan::ScanMacro(played);
    return scan;
}

}  // namespace velotap
