#include "profiles/session_file.h"

#include <algorithm>
#include <mutex>

#include "base/args.h"
#include "macro/event_line.h"
#include "profiles/global_settings.h"
#include "profiles/profile_settings.h"

namespace velotap {

namespace {

constexpr std::string_view kSettingsTag = "SETTINGS:";
constexpr std::string_view kCurrentTag = "CURRENT:";
constexpr std::string_view kProfileTag = "PROFILE:";
constexpr std::string_view kProfileSettingsTag = "PROFILESETTINGS:";
constexpr std::string_view kLineEnd = "\r\n";
// Generous room per event line ("3,1234.57,-1234,567,0,65,1,0" is 28 characters).
constexpr size_t kBytesPerEvent = 32;

// Walks the lines of a text without copying: each line without its LF and one CR before it.
class Lines {
  public:
    explicit Lines(std::string_view text) : rest_(text) {}
    bool Next(std::string_view& line) {
        if (done_) return false;
        const size_t end = rest_.find('\n');
        if (end == std::string_view::npos) {
            line = rest_;
            done_ = true;
            // A final line end leaves nothing behind it: that is no further line.
            if (line.empty()) return false;
        } else {
            line = rest_.substr(0, end);
            rest_.remove_prefix(end + 1);
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
    // The text after the line last returned.
    std::string_view Rest() const { return done_ ? std::string_view() : rest_; }

  private:
    std::string_view rest_;
    bool done_ = false;
};

// An upper bound of the event lines of the profile that starts at the front of `rest`: the lines
// up to the next profile. Reserving it keeps a large macro from being copied while it grows.
size_t LinesOfProfile(std::string_view rest) {
    if (rest.starts_with(kProfileTag)) return 0;
    size_t end = rest.find("\nPROFILE:");
    if (end == std::string_view::npos) end = rest.size();
    return static_cast<size_t>(std::count(rest.begin(), rest.begin() + end, '\n')) + 1;
}

}  // namespace

std::string SessionTextLocked(std::string_view globalSettingsLine, const ProfileList& list) {
    size_t size = globalSettingsLine.size() + 64;
    for (const Profile& p : list.profiles)
        size += p.name.size() + p.settings.size() + 40 + p.macro.size() * kBytesPerEvent;
    std::string text;
    text.reserve(size);
    text += kSettingsTag;
    text += globalSettingsLine;
    text += kLineEnd;
    text += kCurrentTag;
    text += std::to_string(list.currentIndex);
    text += kLineEnd;
    for (const Profile& p : list.profiles) {
        text += kProfileTag;
        text += p.name;
        text += kLineEnd;
        if (!p.settings.empty()) {
            text += kProfileSettingsTag;
            text += p.settings;
            text += kLineEnd;
        }
        for (const UnifiedEvent& e : p.macro) {
            AppendEventLine(text, e);
            text += kLineEnd;
        }
    }
    return text;
}

std::string SessionText(const EngineState& state, const HotkeySlots& slots, ProfileList& list) {
    const std::string settings = GlobalSettingsLine(state, slots);
    std::lock_guard<std::recursive_mutex> lock(list.lock);
    return SessionTextLocked(settings, list);
}

std::optional<SessionContents> ParseSessionText(std::string_view text) {
    Lines lines(text);
    std::string_view line;
    if (!lines.Next(line) || !line.starts_with(kSettingsTag)) return std::nullopt;
    SessionContents contents;
    contents.settingsLine = line.substr(kSettingsTag.size());

    // A second line that is not "CURRENT:" is dropped all the same.
    if (lines.Next(line) && line.starts_with(kCurrentTag))
        contents.wantedIndex = ToInteger(line.substr(kCurrentTag.size())).value_or(0);

    Profile* profile = nullptr;
    while (lines.Next(line)) {
        if (line.starts_with(kProfileTag)) {
            profile = &contents.profiles.emplace_back();
            profile->name = line.substr(kProfileTag.size());
            profile->macro.reserve(LinesOfProfile(lines.Rest()));
        } else if (line.starts_with(kProfileSettingsTag)) {
            if (profile) profile->settings = line.substr(kProfileSettingsTag.size());
        } else if (profile && !line.empty()) {
            if (std::optional<UnifiedEvent> e = ParseEventLine(line, WheelField::Required))
                profile->macro.push_back(*e);
        }
    }
    // The reserves were upper bounds; give back what the skipped and settings lines left over
    // only where it matters.
    for (Profile& p : contents.profiles) {
        if (p.macro.capacity() - p.macro.size() > 1024) p.macro.shrink_to_fit();
    }
    return contents;
}

bool ApplySession(std::optional<SessionContents>&& contents, EngineState& state, HotkeySlots& slots,
                  ProfileList& list) {
    if (contents) LoadGlobalSettings(state, slots, contents->settingsLine);
    std::lock_guard<std::recursive_mutex> lock(list.lock);
    if (!contents || contents->profiles.empty()) {
        list.profiles.assign(1, Profile{kDefaultProfileName, {}, {}});
        list.currentIndex = 0;
        list.Touch();
        return false;
    }
    const long long wanted = contents->wantedIndex;
    const bool valid = wanted >= 0 && wanted < static_cast<long long>(contents->profiles.size());
    list.profiles = std::move(contents->profiles);
    list.currentIndex = valid ? static_cast<int32_t>(wanted) : 0;
    Profile& current = list.CurrentProfile();
    if (current.settings.empty()) current.settings = ProfileSettingsLine(state);
    return true;
}

void EnsureDefaultProfile(ProfileList& list) {
    std::lock_guard<std::recursive_mutex> lock(list.lock);
    for (const Profile& p : list.profiles) {
        if (p.name == kDefaultProfileName) return;
    }
    const bool wasEmpty = list.profiles.empty();
    list.profiles.insert(list.profiles.begin(), Profile{kDefaultProfileName, {}, {}});
    if (!wasEmpty) ++list.currentIndex;
}

}  // namespace velotap
