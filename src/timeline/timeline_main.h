#pragma once
// The main process's half of the timeline editor's handshake: Export writes the current macro to
// the load file and remembers it as the snapshot; Apply takes an edited macro back only when
// nothing changed it since that export.
#include <optional>
#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "macro/profile_list.h"
#include "timeline/timeline_exchange.h"

namespace velotap {

class KeyNameSource;

struct TimelineMainView {
    TimelineSnapshot& snapshot;
    ProfileList& profiles;
    const EngineState& engine;
    KeyNameSource* keyNames;  // may be null
    std::string dataFolder;   // the handshake files live here
};

// "timelineExport": a malformed nonce, or no valid current profile, writes nothing.
void ExportTimeline(const TimelineMainView& view, std::string_view nonce);

// "applyTimelineEdit": none for a malformed nonce (nothing is written); otherwise the outcome,
// which is also written to the result file.
std::optional<TimelineOutcome> ApplyTimelineEdit(const TimelineMainView& view,
                                                 std::string_view nonce);

}  // namespace velotap
