#pragma once
// The session file text: the global settings, the current profile's index and every profile with
// its settings line and macro. CR LF line ends; LF alone is read too.
//   SETTINGS:<global settings line>
//   CURRENT:<index>
//   PROFILE:<name>
//   PROFILESETTINGS:<profile settings line>     (only when the profile has one)
//   <one event line per macro event>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/hotkeys.h"
#include "engine/engine_state.h"
#include "macro/profile_list.h"

namespace velotap {

// The whole text. The caller holds the macro lock of `list`.
std::string SessionTextLocked(std::string_view globalSettingsLine, const ProfileList& list);
// The whole text from the live values; the macro lock is taken for the profile part only.
std::string SessionText(const EngineState& state, const HotkeySlots& slots, ProfileList& list);

// What a session text holds, read without touching any live value.
struct SessionContents {
    std::string settingsLine;
    long long wantedIndex = 0;  // 0 without a "CURRENT:" line or when its value does not convert
    std::vector<Profile> profiles;
};

// No value when the first line does not begin with "SETTINGS:": nothing may be taken from such a
// text. Event lines that do not convert are skipped; lines before the first profile are ignored.
std::optional<SessionContents> ParseSessionText(std::string_view text);

// Takes parsed contents into the live values and the profile list: the global settings line
// always (when there are contents), the profiles when at least one was read. The current index is
// the wanted one when it names a profile, else 0; a current profile without a settings line gets
// the live one. The current profile's settings line is not applied to the live values. False when
// no profile was read: the list is then the single default profile.
bool ApplySession(std::optional<SessionContents>&& contents, EngineState& state, HotkeySlots& slots,
                  ProfileList& list);

// Puts an empty "Default Tracking Profile" at the front when no profile has exactly that name; the
// profile that was current stays current.
void EnsureDefaultProfile(ProfileList& list);

}  // namespace velotap
