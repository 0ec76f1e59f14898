#pragma once
// Realtime scheduling for the engine's timing threads (the spammers and the player): on a busy
// machine a thread of ordinary priority wakes milliseconds late, which no schedule can hide.
#include <cstdint>

namespace velotap {

enum class RealtimeGrant : uint8_t {
    NotGranted,   // the system did not grant it; the thread keeps its ordinary priority
    Direct,       // set by the process itself (linux: privileged; win32: time-critical priority)
    RealtimeKit,  // granted by rtkit over D-Bus, as audio servers get it
};

// Asks realtime scheduling for the calling thread: directly where the process may, else through
// rtkit (linux). Neither available: NotGranted, silently.
RealtimeGrant RequestRealtime();

inline const char* RealtimeGrantName(RealtimeGrant grant) {
    switch (grant) {
        case RealtimeGrant::Direct:
            return "direct";
        case RealtimeGrant::RealtimeKit:
            return "rtkit";
        default:
            return "none";
    }
}

}  // namespace velotap
