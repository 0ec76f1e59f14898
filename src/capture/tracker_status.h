#pragma once
// Key display names and the tracker status document the page polls, with its copy in
// "status.txt" for the program's other processes.
#include <cstdint>
#include <string>
#include <vector>

#include "capture/hotkeys.h"
#include "engine/engine_state.h"

namespace velotap {

class KeyNameSource;

// "`" for 192, the mouse buttons by name, else the layout's name, else "Key[" code "]".
std::string KeyDisplayName(KeyNameSource* names, uint32_t code);

// Everything the document shows beyond the engine state and the hotkeys.
struct TrackerExtras {
    int64_t count = 0;                 // events of the current macro
    std::vector<std::string> restore;  // open pop-out panels
    bool lockOn = false;
    bool unlocked = true;
    bool panelHover = false;
    bool canUndoContinue = false;
};

// The document, keys in their fixed order, no white space.
std::string TrackerStatusDocument(const EngineState& engine, const HotkeySlots& slots,
                                  const TrackerExtras& extras, KeyNameSource* names);

// What a process other than the main one answers when "status.txt" has nothing to give.
extern const char kIdleTrackerStatus[];

// The first line of the status file's text, or the idle default when that line is empty.
std::string StatusFromFileText(const std::string* text);

}  // namespace velotap
