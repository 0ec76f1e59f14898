// Time-critical priority for the calling thread: within the process's priority class it runs
// before every thread of normal priority, which is what the timing threads need on a busy machine.
#include "platform/realtime.h"

#include <windows.h>

namespace velotap {

RealtimeGrant RequestRealtime() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL)
               ? RealtimeGrant::Direct
               : RealtimeGrant::NotGranted;
}

}  // namespace velotap
