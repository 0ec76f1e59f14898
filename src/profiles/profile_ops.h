#pragma once
// The page's profile functions: list, add, switch, delete and clear. Each change of the list is
// made under the macro lock; the live tool settings follow the current profile. All of them are
// ignored while recording, which writes into the current profile.
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_state.h"
#include "macro/profile_list.h"

namespace velotap {

// {"current":N,"names":[...],"cap":-1,"defaultName":"Default Tracking Profile"}
std::string ProfilesJson(ProfileList& list);

// Appends a profile with the live tool settings and no macro and makes it current. Ignored for an
// empty name.
void AddProfile(ProfileList& list, EngineState& state, std::string_view name);
// Makes the profile at the decimal index current and loads its tool settings. Ignored for a text
// that is not a number or an index outside the list.
void SwitchProfile(ProfileList& list, EngineState& state, std::string_view indexText);
// Removes the current profile; the one after it (or the new last) becomes current. The default
// profile is reset instead, and the only profile is kept.
void DeleteProfile(ProfileList& list, EngineState& state);
// Resets the tool settings and empties the current profile's macro; hotkeys, recorder settings and
// hold modes stay.
void ClearProfile(ProfileList& list, EngineState& state);

}  // namespace velotap
