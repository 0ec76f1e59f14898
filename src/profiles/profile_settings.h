#pragma once
// The live tool settings (click spammer, key spammer, its targets and chord mode) as the profile
// settings line of 20 comma fields, and their copying into and out of the current profile.
#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "macro/profile_list.h"

namespace velotap {

// "sh,sm,ss,sms,sbtn,stype,rptMode,rptTimes,locMode,fixedX,fixedY,ksh,ksm,kss,ksms,ksRptMode,
// ksRptTimes,first target,targets joined by |,chord".
std::string ProfileSettingsLine(const EngineState& state);

// Loads the live values from a profile settings line. Fewer than 18 fields change nothing; the
// first field that does not convert ends the numeric part, keeping what was read before it, and
// the targets still load. The target list and chord mode need all 20 fields; otherwise the
// targets become the first target and chord mode is off.
void LoadProfileSettings(EngineState& state, std::string_view line);

// The defaults of clear, reset and empty settings: 5 ms, left single clicks until stopped
// (count 10) at the cursor; key spammer 5 ms until stopped (count 10) on Space, no chord.
void ResetToolSettings(EngineState& state);

// The targets become just the stored first target, and chord mode is off.
void KeepFirstTargetOnly(EngineState& state);
// A target list of codes joined by "|" (pieces that do not convert are skipped) and a chord field
// ("1" is on). A list without any usable code keeps the first target only.
void LoadTargetList(EngineState& state, std::string_view list, std::string_view chord);

// Replaces the live targets; at most the table's capacity is kept.
void SetKeySpamTargets(KeySpamTargets& targets, const int32_t* codes, int32_t count);

// Stores the live settings as the current profile's settings line (takes the macro lock).
void CopySettingsToProfile(ProfileList& list, const EngineState& state);
// Loads the live settings from the current profile; the defaults when its line is empty.
void LoadSettingsFromProfile(ProfileList& list, EngineState& state);

}  // namespace velotap
