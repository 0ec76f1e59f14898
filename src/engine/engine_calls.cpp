#include "engine/engine_calls.h"

#include <cstdint>
#include <vector>

#include "base/args.h"
#include "macro/event_line.h"

namespace velotap {

namespace {

void Append(std::string& out, const char* key, int32_t value) {
    out += '"';
    out += key;
    out += "\":";
    out += std::to_string(value);
    out += ',';
}

void Append(std::string& out, const char* key, bool value) {
    out += '"';
    out += key;
    out += "\":";
    out += value ? "true" : "false";
    out += ',';
}

// Stores fields into `targets` in order until one does not convert; true when all did.
bool StoreFields(std::string_view flattened, std::initializer_list<Int*> targets) {
    std::vector<std::string> fields = SplitString(flattened, ',');
    if (fields.size() < targets.size()) return false;
    size_t i = 0;
    for (Int* target : targets) {
        std::optional<int32_t> value = ToInt32(fields[i++]);
        if (!value) return false;
        target->exchange(*value);
    }
    return true;
}

}  // namespace

std::string SettingsDocument(const EngineState& s) {
    std::string out = "{";
    const ClickSettings& c = s.click;
    Append(out, "sh", c.sh.load());
    Append(out, "sm", c.sm.load());
    Append(out, "ss", c.ss.load());
    Append(out, "sms", c.sms.load());
    Append(out, "sbtn", c.sbtn.load());
    Append(out, "stype", c.stype.load());
    Append(out, "rptMode", c.rptMode.load());
    Append(out, "rptTimes", c.rptTimes.load());
    Append(out, "locMode", c.locMode.load());
    Append(out, "fixedX", c.fixedX.load());
    Append(out, "fixedY", c.fixedY.load());
    const RecorderSettings& r = s.recorder;
    Append(out, "tmv", r.tmv.load() != 0);
    Append(out, "tclk", r.tclk.load() != 0);
    Append(out, "tscr", r.tscr.load() != 0);
    Append(out, "tkey", r.tkey.load() != 0);
    Append(out, "trel", r.trel.load() != 0);
    // Locale-free: the toolkit sets the C locale, whose decimal point may be a comma.
    out += "\"tspd\":" + FormatGeneral6(static_cast<double>(r.tspd.load())) + ",";
    Append(out, "tloop", r.tloop.load() != 0);
    Append(out, "tloopMs", r.tloopMs.load());
    const KeySpamSettings& k = s.keySpam;
    Append(out, "ksh", k.ksh.load());
    Append(out, "ksm", k.ksm.load());
    Append(out, "kss", k.kss.load());
    Append(out, "ksms", k.ksms.load());
    Append(out, "ksRptMode", k.ksRptMode.load());
    Append(out, "ksRptTimes", k.ksRptTimes.load());
    Append(out, "holdAuto", s.holdAuto.load() != 0);
    Append(out, "holdKeySpam", s.holdKeySpam.load() != 0);
    out.back() = '}';
    return out;
}

bool UpdateSpammer(EngineState& state, std::string_view flattened) {
    ClickSettings& c = state.click;
    return StoreFields(flattened, {&c.sh, &c.sm, &c.ss, &c.sms, &c.sbtn, &c.stype, &c.rptMode,
                                   &c.rptTimes, &c.locMode});
}

bool UpdateKeySpam(EngineState& state, std::string_view flattened) {
    KeySpamSettings& k = state.keySpam;
    return StoreFields(flattened, {&k.ksh, &k.ksm, &k.kss, &k.ksms, &k.ksRptMode, &k.ksRptTimes});
}

RemoveOutcome RemoveKeySpamTarget(EngineState& state, std::string_view flattened) {
    std::optional<int32_t> index = ToInt32(flattened);
    if (!index || !state.targets.Remove(*index)) return RemoveOutcome::Unchanged;
    if (state.targets.Count() == 0 && state.keySpamming.load()) {
        return RemoveOutcome::RemovedLastWhileRunning;
    }
    return RemoveOutcome::Removed;
}

void SetKeySpamChordMode(EngineState& state, std::string_view flattened) {
    state.keySpam.chord.exchange(flattened == "1" ? 1 : 0);
}

bool SetHoldMode(EngineState& state, std::string_view flattened) {
    const size_t comma = flattened.find(',');
    if (comma == std::string_view::npos) return false;
    const std::string_view name = flattened.substr(0, comma);
    const uint8_t on = flattened.substr(comma + 1) == "1" ? 1 : 0;
    if (name == "auto") {
        state.holdAuto.exchange(on);
    } else if (name == "keyspam") {
        state.holdKeySpam.exchange(on);
    } else {
        return false;
    }
    return true;
}

}  // namespace velotap
