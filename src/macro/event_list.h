#pragma once
// The event list the page shows for the current macro, the edits made from it (delete one event,
// change one event's time, thin out mouse movement), and "macroevents.txt", the copy of the list
// that other processes of the program read.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/profile_list.h"
#include "macro/unified_event.h"
#include "platform/mirror_writer.h"

namespace velotap {

inline constexpr const char* kMacroEventsFileName = "macroevents.txt";

// [{"id":0,"time":1.500000,"desc":"Abs Move to X:5 Y:7"},...] without white space; [] when empty.
std::string MacroEventsDocument(const std::vector<UnifiedEvent>& macro);
// The description of one event (empty for an unknown type), appended to `out`.
void AppendEventDescription(std::string& out, const UnifiedEvent& event);

// deleteEvent with its flattened argument: the index in decimal. True when an event was removed;
// an index outside the list or not a number changes nothing.
bool DeleteEvent(std::vector<UnifiedEvent>& macro, std::string_view flattened);
// updateEventTime with its flattened argument: exactly "index,seconds". True when a time was set;
// any other field count, a field that is not a number, a time that is not finite (it could not be
// saved) or an index outside the list changes nothing. The event keeps its place in the list.
bool UpdateEventTime(std::vector<UnifiedEvent>& macro, std::string_view flattened);
// Drops absolute moves within 10 pixels of the last kept one where the move is between two
// absolute moves (neither the first nor the last event, the next event a move, the last kept
// event a move). Times are kept, so the player's glide covers the dropped points.
void ThinMovement(std::vector<UnifiedEvent>& macro);

// What a process other than the main one lists: the mirror's first line, or [] when the file is
// missing or that line is empty.
std::string ReadMacroEventsMirror(const std::string& path);

enum class Waiting { Yes, No };

// The current macro's document, kept between listings. A macro of a million events makes a
// document of tens of megabytes: a refresh holds the macro lock only to copy what changed since
// the last one (nothing; the new events when the macro only grew; else the whole macro) and
// builds only that much, as a new piece beside the ones already made, which stay untouched (the
// mirror file may be being written from them).
class EventListCache {
  public:
    // Brings the document up to date; true when it changed. Without waiting, a macro lock held
    // elsewhere leaves it as it was.
    bool Refresh(ProfileList& profiles, Waiting wait = Waiting::Yes);
    // The document in pieces: joined, they are the document.
    MirrorPieces Pieces();

  private:
    std::mutex mutex_;  // taken before the macro lock, never after it
    bool valid_ = false;
    uint64_t revision_ = 0;
    int32_t index_ = 0;
    size_t count_ = 0;
    std::vector<std::shared_ptr<const std::string>> parts_;  // event objects and their commas
};

// The main process's side: the profile list, its listing and "macroevents.txt" ("" for none).
struct MacroEditView {
    ProfileList& profiles;
    EventListCache& events;
    MirrorWriter& writer;
    std::string mirrorPath;
};

// The current macro's document; when it changed, the mirror file is rewritten (on the writer's
// thread).
std::string ListMacroEvents(const MacroEditView& view);
// A window of the current macro for a page that shows only the rows in view:
// {"total":N,"first":F,"events":[...]} with at most kMaxEventWindow events from F on ("first,count"
// as the page sends them). Only the window is copied and formatted, so a million-event macro costs
// what a short one does; std::nullopt when the arguments are not two counts.
inline constexpr size_t kMaxEventWindow = 2000;
std::optional<std::string> ListMacroEventWindow(ProfileList& profiles, std::string_view flattened);
// The same without the copy for the caller: refreshes the document and the mirror.
void RefreshMacroEvents(const MacroEditView& view, Waiting wait = Waiting::Yes);
// Under the macro lock: runs `edit` on the current macro, then lists it again.
void EditCurrentMacro(const MacroEditView& view,
                      const std::function<void(std::vector<UnifiedEvent>&)>& edit);

}  // namespace velotap
