#pragma once
// The file handshake between the timeline editor and the main process. Requests travel over the
// command pipe with a nonce the page chose; payloads travel through files in the data folder, each
// beginning with the nonce so that a stale file is never taken for a fresh answer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/unified_event.h"

namespace velotap {

inline constexpr const char* kTimelineLoadFile = "timeline-load.txt";
inline constexpr const char* kTimelineSaveFile = "timeline-save.json";
inline constexpr const char* kTimelineResultFile = "timeline-result.txt";
inline constexpr const char* kTimelinePlacementFile = "timeline-window.txt";
inline constexpr size_t kTimelineEventLimit = 1000000;
inline constexpr size_t kTimelineLoadCap = 134217728;  // 128 MiB, as the save file
inline constexpr size_t kTimelineResultCap = 65536;

// 1 to 64 hexadecimal digits of either case.
bool IsTimelineNonce(std::string_view text);
// 1 to 10 decimal digits.
bool IsTimelineAckToken(std::string_view text);

// {"profile":NAME,"profileIdx":N,"keys":{...},"events":[[...],...]} without white space: the key
// names of every key event's code once, in ascending order; times with %.15g, non-finite as 0.
std::string TimelineLoadDocument(const std::string& profileName, int32_t profileIndex,
                                 const std::vector<UnifiedEvent>& events,
                                 const std::function<std::string(uint32_t vk)>& keyName);
// {"error":"This macro has N events - more than the Timeline Editor's limit of 1000000."}
std::string TimelineTooLargeDocument(size_t eventCount);

// The answer the editor gives its page: {"ok":true|false,"message":TEXT}.
std::string TimelineResultObject(bool ok, std::string_view message);
// What the result file holds: nonce, line feed, "ok" or "error", line feed, message.
std::string TimelineResultFileText(std::string_view nonce, bool ok, std::string_view message);

// The load file's text answered to a poll with `nonce`: the document after the first line as a
// JSON string; none when the first line is not exactly the nonce (or there is no line feed).
std::optional<std::string> AcceptTimelineLoad(std::string_view fileText, std::string_view nonce);
// The result file's text answered to a poll with `nonce`, as a result object; none as above.
std::optional<std::string> AcceptTimelineResult(std::string_view fileText, std::string_view nonce);

// What the main process exported last; the snapshot lock is always taken before the macro lock.
struct TimelineSnapshot {
    std::mutex lock;
    std::string loadNonce;
    int32_t profileIndex = -1;
    std::string profileName;
    std::vector<UnifiedEvent> events;
};

struct TimelineOutcome {
    bool ok = false;
    std::string message;
};

}  // namespace velotap
