#include "profiles/profile_settings.h"

#include <array>
#include <climits>
#include <optional>
#include <vector>

#include "base/args.h"

namespace velotap {

namespace {

// The numeric fields 1-17 in line order (Int* or const Int*, as the state is).
template <class State>
auto NumericFields(State& s) {
    auto& c = s.click;
    auto& k = s.keySpam;
    return std::array{&c.sh,      &c.sm,       &c.ss,      &c.sms,       &c.sbtn,      &c.stype,
                      &c.rptMode, &c.rptTimes, &c.locMode, &c.fixedX,    &c.fixedY,    &k.ksh,
                      &k.ksm,     &k.kss,      &k.ksms,    &k.ksRptMode, &k.ksRptTimes};
}

}  // namespace

void KeepFirstTargetOnly(EngineState& s) {
    const int32_t first = s.targets.first.load();
    SetKeySpamTargets(s.targets, &first, 1);
    s.keySpam.chord.exchange(0);
}

void LoadTargetList(EngineState& s, std::string_view list, std::string_view chord) {
    int32_t codes[KeySpamTargets::kCapacity];
    int32_t n = 0;
    for (const std::string& piece : SplitString(list, '|')) {
        if (n == KeySpamTargets::kCapacity) break;
        if (std::optional<int32_t> code = ToInt32(piece)) codes[n++] = *code;
    }
    if (n == 0) {
        KeepFirstTargetOnly(s);
        return;
    }
    // The stored first target stays what its own field said even when the list begins elsewhere.
    const int32_t first = s.targets.first.load();
    SetKeySpamTargets(s.targets, codes, n);
    s.targets.first.exchange(first);
    s.keySpam.chord.exchange(chord == "1" ? 1 : 0);
}

std::string ProfileSettingsLine(const EngineState& s) {
    std::string line;
    for (const Int* field : NumericFields(s)) {
        line += std::to_string(field->load());
        line += ',';
    }
    line += std::to_string(s.targets.first.load());
    line += ',';
    const int32_t n = s.targets.Count();
    for (int32_t i = 0; i < n; ++i) {
        if (i) line += '|';
        line += std::to_string(s.targets.codes[static_cast<size_t>(i)].load());
    }
    line += ',';
    line += s.keySpam.chord.load() ? '1' : '0';
    return line;
}

void SetKeySpamTargets(KeySpamTargets& targets, const int32_t* codes, int32_t count) {
    if (count > KeySpamTargets::kCapacity) count = KeySpamTargets::kCapacity;
    if (count < 0) count = 0;
    for (int32_t i = 0; i < count; ++i)
        targets.codes[static_cast<size_t>(i)].exchange(codes[i]);
    targets.count.exchange(count);
    if (count > 0) targets.first.exchange(codes[0]);
}

void LoadProfileSettings(EngineState& s, std::string_view line) {
    const std::vector<std::string> f = SplitString(line, ',');
    if (f.size() < 18) return;
    // A field that does not convert ends the numbers only: the targets and chord mode below still
    // load, so a switch never leaves the previous profile's keys live.
    const auto fields = NumericFields(s);
    size_t read = 0;
    for (; read < fields.size(); ++read) {
        std::optional<int32_t> v = ToInt32(f[read]);
        if (!v) break;
        fields[read]->exchange(*v);
    }
    std::optional<int32_t> first;
    if (read == fields.size()) first = ToInt32(f[17]);
    if (first) s.targets.first.exchange(*first);
    if (f.size() < 20) {
        KeepFirstTargetOnly(s);
        return;
    }
    LoadTargetList(s, f[18], f[19]);
    // Without a first target of its own the line's list supplies it.
    if (!first && s.targets.Count() > 0) s.targets.first.exchange(s.targets.codes[0].load());
}

void ResetToolSettings(EngineState& s) {
    const EngineState defaults;
    const auto live = NumericFields(s);
    const auto fresh = NumericFields(defaults);
    for (size_t i = 0; i < live.size(); ++i)
        live[i]->exchange(fresh[i]->load());
    const int32_t space = 32;
    SetKeySpamTargets(s.targets, &space, 1);
    s.keySpam.chord.exchange(0);
}

void CopySettingsToProfile(ProfileList& list, const EngineState& state) {
    std::string line = ProfileSettingsLine(state);
    std::lock_guard<std::recursive_mutex> lock(list.lock);
    list.CurrentSettings() = std::move(line);
}

void LoadSettingsFromProfile(ProfileList& list, EngineState& state) {
    std::string line;
    {
        std::lock_guard<std::recursive_mutex> lock(list.lock);
        line = list.CurrentSettings();
    }
    if (line.empty()) {
        ResetToolSettings(state);
    } else {
        LoadProfileSettings(state, line);
    }
}

}  // namespace velotap
