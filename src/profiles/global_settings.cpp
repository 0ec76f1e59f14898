#include "profiles/global_settings.h"

#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "base/args.h"
#include "macro/event_line.h"
#include "profiles/profile_settings.h"

namespace velotap {

namespace {

constexpr size_t kMinimumFields = 23;

// A float field: a number outside the float range does not convert.
std::optional<float> ToFloat(std::string_view text) {
    std::optional<double> v = ToDouble(text);
    if (!v || !std::isfinite(*v) ||
        std::fabs(*v) > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(*v);
}

uint8_t Switch(std::string_view text) {
    return text == "1" ? 1 : 0;
}

template <class State>
auto ClickFields(State& s) {
    auto& c = s.click;
    return std::array{&c.sh,      &c.sm,       &c.ss,      &c.sms,    &c.sbtn,  &c.stype,
                      &c.rptMode, &c.rptTimes, &c.locMode, &c.fixedX, &c.fixedY};
}

template <class State>
auto RecordingSwitches(State& s) {
    auto& r = s.recorder;
    return std::array{&r.tmv, &r.tclk, &r.tscr, &r.tkey, &r.trel};
}

template <class State>
auto KeySpamFields(State& s) {
    auto& k = s.keySpam;
    return std::array{&k.ksh, &k.ksm, &k.kss, &k.ksms, &k.ksRptMode, &k.ksRptTimes};
}

void AppendInt(std::string& out, int32_t value) {
    out += std::to_string(value);
    out += ',';
}

void AppendSwitch(std::string& out, const Flag& flag) {
    out += flag.load() ? "1," : "0,";
}

// Reads fields [begin, begin + n) into `targets` in order; false at the first that fails.
template <size_t N>
bool ReadInts(const std::vector<std::string>& f, size_t begin, const std::array<Int*, N>& targets) {
    for (size_t i = 0; i < N; ++i) {
        std::optional<int32_t> v = ToInt32(f[begin + i]);
        if (!v) return false;
        targets[i]->exchange(*v);
    }
    return true;
}

bool ReadInt(const std::string& field, Int& target) {
    std::optional<int32_t> v = ToInt32(field);
    if (!v) return false;
    target.exchange(*v);
    return true;
}

// Fields 1-23. Field 22 is a retired value, never read.
void LoadToolsAndHotkeys(EngineState& s, HotkeySlots& slots, const std::vector<std::string>& f) {
    if (!ReadInts(f, 0, ClickFields(s))) return;
    const auto switches = RecordingSwitches(s);
    for (size_t i = 0; i < switches.size(); ++i)
        switches[i]->exchange(Switch(f[11 + i]));
    std::optional<float> speed = ToFloat(f[16]);
    if (!speed) return;
    s.recorder.tspd.store(*speed);
    s.recorder.tloop.exchange(Switch(f[17]));
    if (!ReadInt(f[18], s.recorder.tloopMs)) return;
    if (!ReadInt(f[19], slots.recording)) return;
    if (!ReadInt(f[20], slots.playback)) return;
    ReadInt(f[22], slots.clickSpammer);
}

// Fields 24-31.
void LoadKeySpam(EngineState& s, HotkeySlots& slots, const std::vector<std::string>& f) {
    if (!ReadInts(f, 23, KeySpamFields(s))) return;
    if (!ReadInt(f[29], slots.keySpammer)) return;
    ReadInt(f[30], s.targets.first);
}

}  // namespace

std::string GlobalSettingsLine(const EngineState& s, const HotkeySlots& slots) {
    std::string line;
    line.reserve(160);
    for (const Int* field : ClickFields(s))
        AppendInt(line, field->load());
    for (const Flag* flag : RecordingSwitches(s))
        AppendSwitch(line, *flag);
    AppendGeneral6(line, static_cast<double>(s.recorder.tspd.load()));
    line += ',';
    AppendSwitch(line, s.recorder.tloop);
    AppendInt(line, s.recorder.tloopMs.load());
    AppendInt(line, slots.recording.load());
    AppendInt(line, slots.playback.load());
    line += "0,";
    AppendInt(line, slots.clickSpammer.load());
    for (const Int* field : KeySpamFields(s))
        AppendInt(line, field->load());
    AppendInt(line, slots.keySpammer.load());
    AppendInt(line, s.targets.first.load());
    const int32_t n = s.targets.Count();
    for (int32_t i = 0; i < n; ++i) {
        if (i) line += '|';
        line += std::to_string(s.targets.codes[static_cast<size_t>(i)].load());
    }
    line += ',';
    AppendSwitch(line, s.keySpam.chord);
    AppendSwitch(line, s.holdAuto);
    AppendSwitch(line, s.holdKeySpam);
    line += std::to_string(slots.unlock.load());
    return line;
}

void LoadGlobalSettings(EngineState& s, HotkeySlots& slots, std::string_view line) {
    const std::vector<std::string> f = SplitString(line, ',');
    if (f.size() < kMinimumFields) return;
    LoadToolsAndHotkeys(s, slots, f);
    if (f.size() >= 31) LoadKeySpam(s, slots, f);
    if (f.size() >= 33) {
        LoadTargetList(s, f[31], f[32]);
    } else {
        KeepFirstTargetOnly(s);
    }
    if (f.size() >= 35) {
        s.holdAuto.exchange(Switch(f[33]));
        s.holdKeySpam.exchange(Switch(f[34]));
    }
    if (f.size() >= 36) ReadInt(f[35], slots.unlock);
}

}  // namespace velotap
