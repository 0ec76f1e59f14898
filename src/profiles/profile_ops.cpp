#include "profiles/profile_ops.h"

#include <mutex>
#include <optional>

#include "base/args.h"
#include "base/json.h"
#include "profiles/profile_settings.h"

namespace velotap {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// The reset of delete-on-default and of clear: defaults live, no macro, the line stored.
void ResetCurrentProfile(ProfileList& list, EngineState& state) {
    ResetToolSettings(state);
    Profile& current = list.CurrentProfile();
    current.macro.clear();
    current.settings = ProfileSettingsLine(state);
}

}  // namespace

std::string ProfilesJson(ProfileList& list) {
    Lock lock(list.lock);
    std::string out = "{\"current\":" + std::to_string(list.currentIndex) + ",\"names\":[";
    for (size_t i = 0; i < list.profiles.size(); ++i) {
        if (i) out += ',';
        out += JsonEscape(list.profiles[i].name);
    }
    out += "],\"cap\":-1,\"defaultName\":";
    out += JsonEscape(kDefaultProfileName);
    out += '}';
    return out;
}

void AddProfile(ProfileList& list, EngineState& state, std::string_view name) {
    if (name.empty() || state.recording.load()) return;
    std::string settings = ProfileSettingsLine(state);
    Lock lock(list.lock);
    list.profiles.push_back(Profile{SingleLineName(name), std::move(settings), {}});
    list.currentIndex = static_cast<int32_t>(list.profiles.size() - 1);
    list.Touch();
}

void SwitchProfile(ProfileList& list, EngineState& state, std::string_view indexText) {
    if (state.recording.load()) return;
    const std::optional<long long> index = ToInteger(indexText);
    if (!index) return;
    Lock lock(list.lock);
    if (*index < 0 || *index >= static_cast<long long>(list.profiles.size())) return;
    list.currentIndex = static_cast<int32_t>(*index);
    list.Touch();
    LoadSettingsFromProfile(list, state);
}

void DeleteProfile(ProfileList& list, EngineState& state) {
    if (state.recording.load()) return;
    Lock lock(list.lock);
    if (list.PeekCurrent().name == kDefaultProfileName) {
        ResetCurrentProfile(list, state);
        return;
    }
    if (list.profiles.size() < 2) return;
    list.profiles.erase(list.profiles.begin() + list.currentIndex);
    list.Touch();
    const int32_t last = static_cast<int32_t>(list.profiles.size() - 1);
    if (list.currentIndex > last) list.currentIndex = last;
    LoadSettingsFromProfile(list, state);
}

void ClearProfile(ProfileList& list, EngineState& state) {
    if (state.recording.load()) return;
    Lock lock(list.lock);
    ResetCurrentProfile(list, state);
}

}  // namespace velotap
