#include "timeline/timeline_main.h"

#include <cstdio>
#include <cstring>

#include "base/file_read.h"
#include "capture/tracker_status.h"
#include "platform/file_replace.h"
#include "timeline/edited_macro.h"

namespace velotap {

namespace {

// A time that is the same value or the same bits (a NaN read from an old file equals itself, so
// such a macro is not reported as changed for ever).
bool SameEvents(const std::vector<UnifiedEvent>& a, const std::vector<UnifiedEvent>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const UnifiedEvent &x = a[i], &y = b[i];
        const bool sameTime = x.time == y.time || std::memcmp(&x.time, &y.time, sizeof x.time) == 0;
        if (!sameTime || x.type != y.type || x.x != y.x || x.y != y.y || x.flags != y.flags ||
            x.vk != y.vk || x.down != y.down || x.wheel != y.wheel) {
            return false;
        }
    }
    return true;
}

std::vector<UnifiedEvent> ToMacro(const std::vector<EditedEvent>& edited) {
    std::vector<UnifiedEvent> events;
    events.reserve(edited.size());
    for (const EditedEvent& e : edited)
        events.push_back({e.type, e.time, e.x, e.y, e.flags, e.vk, e.down, e.wheel});
    return events;
}

TimelineOutcome Refused(std::string message) {
    return {false, "Not saved: " + std::move(message)};
}

// Steps c to k of an apply, with the save file's text in hand.
TimelineOutcome ApplyDocument(const TimelineMainView& view, std::string_view nonce,
                              std::string_view text) {
    EditedMacro edited = ReadEditedMacro(text);
    if (!edited.error.empty()) return Refused(edited.error);
    if (edited.nonce != nonce) return Refused("the save request was out of date. Try again.");

    std::lock_guard snapshotLock(view.snapshot.lock);
    TimelineSnapshot& snapshot = view.snapshot;
    if (edited.loadNonce != snapshot.loadNonce)
        return Refused("this editor's copy is out of date. Revert to reload the macro.");
    std::lock_guard macroLock(view.profiles.lock);
    const char* busy = view.engine.recording.load() ? "recording"
                       : view.engine.playing.load() ? "playing"
                                                    : nullptr;
    if (busy)
        return Refused(std::string("Velotap is ") + busy + ". Stop it first, then save again.");
    std::vector<Profile>& profiles = view.profiles.profiles;
    if (snapshot.profileIndex < 0 ||
        snapshot.profileIndex >= static_cast<int32_t>(profiles.size()) ||
        profiles[static_cast<size_t>(snapshot.profileIndex)].name != snapshot.profileName) {
        return Refused("the profile this macro came from was renamed or deleted.");
    }
    Profile& profile = profiles[static_cast<size_t>(snapshot.profileIndex)];
    if (!SameEvents(profile.macro, snapshot.events)) {
        return Refused(
            "the macro was changed outside the editor since it was loaded (recorded, imported or "
            "edited). Revert loads the current version.");
    }
    profile.macro = ToMacro(edited.events);
    view.profiles.Touch();  // listings of the macro must not take it for the one they saw
    snapshot.events = profile.macro;
    std::string message = "Saved ";
    message.append(std::to_string(profile.macro.size()))
        .append(" events to \"")
        .append(profile.name)
        .append("\".");
    return {true, message};
}

}  // namespace

void ExportTimeline(const TimelineMainView& view, std::string_view nonce) {
    if (!IsTimelineNonce(nonce)) return;
    std::string name;
    int32_t index = 0;
    std::vector<UnifiedEvent> events;
    {
        std::lock_guard snapshotLock(view.snapshot.lock);
        // The editor repeats a request it got no answer to. A repeat must not swap the copy it
        // may already be editing for a newer macro, or its save would undo the newer changes.
        if (view.snapshot.loadNonce == nonce) return;
        std::lock_guard macroLock(view.profiles.lock);
        index = view.profiles.currentIndex;
        if (index < 0 || index >= static_cast<int32_t>(view.profiles.profiles.size())) return;
        const Profile& profile = view.profiles.profiles[static_cast<size_t>(index)];
        name = profile.name;
        events = profile.macro;
        view.snapshot.loadNonce = std::string(nonce);
        view.snapshot.profileIndex = index;
        view.snapshot.profileName = name;
        view.snapshot.events = events;
    }
    const std::string document =
        events.size() > kTimelineEventLimit
            ? TimelineTooLargeDocument(events.size())
            : TimelineLoadDocument(name, index, events, [&view](uint32_t vk) {
                  return KeyDisplayName(view.keyNames, vk);
              });
    // Written then renamed, but not forced to the disk: the file only hands over a copy of the
    // macro kept in memory, and forcing tens of megabytes out would hold up every load.
    ReplaceFileQuickly(view.dataFolder + "/" + kTimelineLoadFile, {nonce, "\n", document});
}

std::optional<TimelineOutcome> ApplyTimelineEdit(const TimelineMainView& view,
                                                 std::string_view nonce) {
    if (!IsTimelineNonce(nonce)) return std::nullopt;
    const std::string savePath = view.dataFolder + "/" + kTimelineSaveFile;
    std::string text;
    const FileReadStatus read = ReadWholeFile(savePath, text, kTimelineLoadCap);
    std::remove(savePath.c_str());
    TimelineOutcome outcome = read == FileReadStatus::Ok
                                  ? ApplyDocument(view, nonce, text)
                                  : TimelineOutcome{false, "Couldn't read the edited macro."};
    ReplaceFileContents(view.dataFolder + "/" + kTimelineResultFile,
                        TimelineResultFileText(nonce, outcome.ok, outcome.message));
    return outcome;
}

}  // namespace velotap
