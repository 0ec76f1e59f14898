#include "macro/recorder.h"

#include <cmath>
#include <limits>
#include <string>

#include "base/args.h"

namespace velotap {

namespace {

constexpr double kGap = 0.1;
constexpr double kGuardExtra = 0.05;

using Lock = std::lock_guard<std::recursive_mutex>;

}  // namespace

bool IsPressFlag(uint32_t flags) {
    return flags == 0x0002 || flags == 0x0008 || flags == 0x0020 || flags == 0x0080;
}

void RetimeNewEvents(std::vector<UnifiedEvent>& events, size_t start, double gap, double guard) {
    const size_t n = events.size();
    const size_t s = start < n ? start : n;
    if (n <= s) return;

    double base = 0;
    const UnifiedEvent* lastPress = nullptr;
    for (size_t i = 0; i < s; ++i) {
        const UnifiedEvent& e = events[i];
        if (i == 0 || e.time > base) base = e.time;
        if (e.type == EventType::MouseButton && IsPressFlag(e.flags) &&
            (!lastPress || e.time >= lastPress->time))
            lastPress = &e;
    }
    if (s > 0) base += gap;

    double first = events[s].time;
    const UnifiedEvent* firstPress = nullptr;
    for (size_t i = s; i < n; ++i) {
        const UnifiedEvent& e = events[i];
        if (e.time < first) first = e.time;
        if (e.type == EventType::MouseButton && IsPressFlag(e.flags) &&
            (!firstPress || e.time < firstPress->time))
            firstPress = &e;
    }
    double shift = first - base;

    if (s > 0 && lastPress && firstPress && lastPress->flags == firstPress->flags) {
        const double apart = (firstPress->time - shift) - lastPress->time;
        if (apart < guard) shift -= guard - apart;
    }
    for (size_t i = s; i < n; ++i)
        events[i].time -= shift;
}

Recorder::Recorder(ProfileList& store, EngineState& engine, int64_t (*counter)(), int64_t frequency)
    : store_(store),
      engine_(engine),
      counter_(counter),
      frequency_(frequency > 0 ? frequency : 1) {}

void Recorder::StartFresh() {
    Lock lock(store_.lock);
    undoProfile_ = -1;
    beforeContinue_.clear();
    afterContinue_.clear();
    undoCheck_.valid = false;
    store_.Current().clear();
    continueStart_ = 0;
    start_.store(counter_());
    engine_.recording.exchange(1);
}

void Recorder::StartContinued() {
    Lock lock(store_.lock);
    undoProfile_ = -1;
    afterContinue_.clear();
    undoCheck_.valid = false;
    beforeContinue_ = store_.CurrentMacro();
    continueStart_ = beforeContinue_.size();
    undoProfile_ = store_.currentIndex;
    start_.store(counter_());
    engine_.recording.exchange(1);
}

void Recorder::Stop() {
    Lock lock(store_.lock);
    engine_.recording.exchange(0);
    const double guard = doubleClickMs_.load() / 1000.0 + kGuardExtra;
    RetimeNewEvents(store_.Current(), continueStart_, kGap, guard);
    if (undoProfile_ != -1) afterContinue_ = store_.CurrentMacro();
    undoCheck_.valid = false;
    continueStart_ = 0;
}

bool Recorder::CanUndoContinue() {
    Lock lock(store_.lock);
    if (undoProfile_ == -1 || undoProfile_ != store_.currentIndex || engine_.recording.load() ||
        engine_.playing.load()) {
        return false;
    }
    // The status poll asks twice a second: a long macro is compared again only after a change.
    const std::vector<UnifiedEvent>& macro = store_.CurrentMacro();
    if (!undoCheck_.valid || undoCheck_.revision != store_.revision ||
        undoCheck_.size != macro.size()) {
        undoCheck_ = {true, store_.revision, macro.size(), macro == afterContinue_};
    }
    return undoCheck_.equal;
}

void Recorder::UndoContinue() {
    Lock lock(store_.lock);
    if (!CanUndoContinue()) return;
    store_.Current() = std::move(beforeContinue_);
    undoProfile_ = -1;
    beforeContinue_.clear();
    afterContinue_.clear();
    undoCheck_.valid = false;
}

double Recorder::Now() const {
    return static_cast<double>(counter_() - start_.load()) / static_cast<double>(frequency_);
}

void Recorder::Append(const UnifiedEvent& event) {
    Lock lock(store_.lock);
    // Stop clears the flag under this lock: an event that raced with it would land after the
    // re-timing with an unshifted time.
    if (!engine_.recording.load()) return;
    store_.AppendToCurrent(event);
}

void Recorder::AppendToolEvent(int32_t tool, bool on) {
    if (!engine_.recording.load()) return;
    UnifiedEvent e;
    e.type = EventType::ToolSwitch;
    e.time = Now();
    e.vk = static_cast<uint32_t>(tool);
    e.down = on;
    Append(e);
}

bool UpdateTracker(RecorderSettings& settings, std::string_view flattened) {
    const std::vector<std::string> f = SplitString(flattened, ',');
    if (f.size() < 8) return false;
    auto boolean = [](const std::string& text) -> uint8_t { return text == "true" ? 1 : 0; };
    settings.tmv.exchange(boolean(f[0]));
    settings.tclk.exchange(boolean(f[1]));
    settings.tscr.exchange(boolean(f[2]));
    settings.tkey.exchange(boolean(f[3]));
    settings.trel.exchange(boolean(f[4]));

    // The speed is a float: a number outside its range does not convert.
    const std::optional<double> speed = ToDouble(f[5]);
    if (!speed || !std::isfinite(*speed) ||
        std::fabs(*speed) > static_cast<double>(std::numeric_limits<float>::max()))
        return false;
    settings.tspd.store(static_cast<float>(*speed));
    settings.tloop.exchange(boolean(f[6]));
    const std::optional<long long> loopMs = ToInteger(f[7]);
    if (!loopMs || *loopMs < std::numeric_limits<int32_t>::min() ||
        *loopMs > std::numeric_limits<int32_t>::max())
        return false;
    settings.tloopMs.exchange(static_cast<int32_t>(*loopMs));
    return true;
}

}  // namespace velotap
