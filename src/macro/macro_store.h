#pragma once
// The macro the recorder fills and the lock that guards every macro. Until the profile list
// exists this holds the current profile's macro alone; the profile list takes it over.
#include <cstdint>
#include <mutex>
#include <vector>

#include "macro/unified_event.h"

struct MacroStore {
    // The macro lock: re-entrant, held only for one operation at a time.
    std::recursive_mutex lock;
    std::vector<UnifiedEvent> current;
    int32_t currentIndex = 0;
};
