#include "macro/profile_list.h"

Profile& ProfileList::CurrentProfile() {
    if (profiles.empty()) profiles.push_back(Profile{kDefaultProfileName, {}, {}});
    if (currentIndex < 0 || currentIndex >= static_cast<int32_t>(profiles.size())) currentIndex = 0;
    return profiles[static_cast<size_t>(currentIndex)];
}

std::string SingleLineName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}
