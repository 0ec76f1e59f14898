#pragma once
// The event list the page shows for the current macro, the edits made from it (delete one event,
// change one event's time, thin out mouse movement), and "macroevents.txt", the copy of the list
// that other processes of the program read.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/profile_list.h"
#include "macro/unified_event.h"

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

// Replaces the mirror file with `document` (a single line, no line end) through a ".tmp" sibling,
// creating its folder when missing. A failure is ignored; an empty path writes nothing.
void WriteMacroEventsMirror(const std::string& path, const std::string& document);
// What a process other than the main one lists: the mirror's first line, or [] when the file is
// missing or that line is empty.
std::string ReadMacroEventsMirror(const std::string& path);

// The main process's side: the profile list and the mirror file ("" for none).
struct MacroEditView {
    ProfileList& profiles;
    std::string mirrorPath;
};

// Under the macro lock: the current macro's document, also written to the mirror.
std::string ListMacroEvents(const MacroEditView& view);
// Under the macro lock: runs `edit` on the current macro, then lists it again.
void EditCurrentMacro(const MacroEditView& view,
                      const std::function<void(std::vector<UnifiedEvent>&)>& edit);

}  // namespace velotap
