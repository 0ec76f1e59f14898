#include "macro/profile_list.h"

namespace velotap {

Profile& ProfileList::Repaired() {
    if (profiles.empty()) profiles.push_back(Profile{kDefaultProfileName, {}, {}});
    if (currentIndex < 0 || currentIndex >= static_cast<int32_t>(profiles.size())) currentIndex = 0;
    return profiles[static_cast<size_t>(currentIndex)];
}

Profile& ProfileList::CurrentProfile() {
    Touch();
    return Repaired();
}

std::string& ProfileList::CurrentSettings() {
    return Repaired().settings;
}

const Profile& ProfileList::PeekCurrent() const {
    static const Profile kNone{};
    if (currentIndex >= 0 && currentIndex < static_cast<int32_t>(profiles.size())) {
        return profiles[static_cast<size_t>(currentIndex)];
    }
    return profiles.empty() ? kNone : profiles.front();
}

void ProfileList::AppendToCurrent(const UnifiedEvent& event) {
    Repaired().macro.push_back(event);
}

std::string SingleLineName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

}  // namespace velotap
