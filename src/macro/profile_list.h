#pragma once
// The profile list and the macro lock that guards it and every macro in it.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "macro/unified_event.h"

namespace velotap {

inline constexpr const char* kDefaultProfileName = "Default Tracking Profile";

// A profile name as the session file can hold it: a name is one line there, so each CR or LF
// becomes a space.
std::string SingleLineName(std::string_view name);

struct Profile {
    std::string name;      // not required to be unique
    std::string settings;  // the profile settings line; empty until first filled
    std::vector<UnifiedEvent> macro;
};

struct ProfileList {
    // The macro lock: re-entrant, held only for one operation at a time.
    std::recursive_mutex lock;
    std::vector<Profile> profiles{Profile{kDefaultProfileName, {}, {}}};
    int32_t currentIndex = 0;
    // Counts the changes that may have touched the current macro other than appends: every
    // writable access below, and (Touch) changes of the list itself. With the macro's size it tells
    // a reader whether the macro changed, or only grew, since it last looked.
    uint64_t revision = 0;

    // The current profile (under the lock), counted as a change. The list is never left empty and
    // the index always names one of its profiles; this restores both should a caller have broken
    // them.
    Profile& CurrentProfile();
    std::vector<UnifiedEvent>& Current() { return CurrentProfile().macro; }
    // The current profile's settings line; a settings change is no change of the macro.
    std::string& CurrentSettings();
    // Read-only views, not counted.
    const Profile& PeekCurrent() const;
    const std::vector<UnifiedEvent>& CurrentMacro() const { return PeekCurrent().macro; }
    // The recorder's append: the macro grows, nothing before changes.
    void AppendToCurrent(const UnifiedEvent& event);
    void Touch() { ++revision; }

  private:
    Profile& Repaired();
};

}  // namespace velotap
