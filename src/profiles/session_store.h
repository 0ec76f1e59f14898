#pragma once
// Reading and writing "session.dat": the load at start-up, the saves of the autosave thread and of
// shut-down, and the save of a crashing process.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "capture/hotkeys.h"
#include "engine/engine_state.h"
#include "macro/profile_list.h"

namespace velotap {

inline constexpr const char* kSessionFileName = "session.dat";
// A session file that did not load is moved to its name with this added, before anything can
// replace it.
inline constexpr const char* kUnreadableSuffix = ".unreadable";

// The live state a session is made of.
struct SessionSources {
    EngineState& engine;
    HotkeySlots& slots;
    ProfileList& profiles;
};

// One per session file: serialises its saves and remembers what the file holds.
struct SessionStore {
    std::mutex saveLock;
    std::atomic<uint8_t> saving{0};  // set while a save holds saveLock
    // The size and hash of the text last read from or written to the file.
    bool known = false;
    uint64_t size = 0;
    size_t hash = 0;
};

// Start-up: reads the file into the live values and the profile list; a file that cannot be read
// or is not a session leaves the single default profile (and is moved aside when it has content).
// Either way the default profile is then present. True when profiles were read from the file.
bool LoadSession(SessionStore& store, const std::string& path, const SessionSources& sources);

enum class SaveResult {
    Written,
    Unchanged,  // the file already holds this text: left as it is
    Failed,     // the old file is untouched
    Busy,       // crash save only: a lock was taken elsewhere
};

// Builds the text (the macro lock is held only for the profile part) and replaces the file with
// it, unless the file still holds exactly that text. Must not be called with the macro lock held.
SaveResult SaveSession(SessionStore& store, const std::string& path, const SessionSources& sources);

// The same from a crashing process: never waits for a lock, so a crash inside a save or while
// the macro lock is held cannot hang the process. Always writes when it can.
SaveResult SaveSessionAfterCrash(SessionStore& store, const std::string& path,
                                 const SessionSources& sources);

}  // namespace velotap
