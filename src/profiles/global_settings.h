#pragma once
// The global settings line of the session file and of exported macro files: 36 comma fields with
// the click spammer, recorder and player settings, the five hotkeys, the key spammer settings and
// targets, and the hold modes.
#include <string>
#include <string_view>

#include "capture/hotkeys.h"
#include "engine/engine_state.h"

namespace velotap {

// "sh..fixedY (11), tmv,tclk,tscr,tkey,trel, tspd, tloop, tloopMs, record key, play key, 0,
// click key, ksh,ksm,kss,ksms,ksRptMode,ksRptTimes, key spammer key, first target, targets
// joined by |, chord, holdAuto, holdKeySpam, unlock key". Built from the live values.
std::string GlobalSettingsLine(const EngineState& state, const HotkeySlots& slots);

// Loads a global settings line into the live values. Fewer than 23 fields change nothing. The
// line is read in blocks (fields 1-23, 24-31, 32-33, 34-35, 36), each present only when the line
// is long enough; a field that does not convert abandons the rest of its block, keeping what was
// read before it, and the later blocks still run. Field 22 is ignored. Without a usable target
// list (fields 32-33) the targets become the first target and chord mode is off.
void LoadGlobalSettings(EngineState& state, HotkeySlots& slots, std::string_view line);

}  // namespace velotap
