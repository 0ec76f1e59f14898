#include "timeline/timeline_exchange.h"

#include <charconv>
#include <cmath>
#include <map>

#include "base/json.h"

namespace velotap {

namespace {

bool AllOf(std::string_view text, size_t maxSize, bool (*accept)(char)) {
    if (text.empty() || text.size() > maxSize) return false;
    for (char c : text) {
        if (!accept(c)) return false;
    }
    return true;
}

// to_chars with a precision writes exactly what printf's "%.15g" writes, many times faster.
void AppendTime(std::string& out, double time) {
    if (!std::isfinite(time)) time = 0;
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, time, std::chars_format::general, 15).ptr;
    out.append(buffer, end);
}

void AppendInteger(std::string& out, int64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// The file's first line when it is exactly `nonce`: the rest of the text; none otherwise.
std::optional<std::string_view> AfterNonceLine(std::string_view text, std::string_view nonce) {
    const size_t feed = text.find('\n');
    if (feed == std::string_view::npos || text.substr(0, feed) != nonce) return std::nullopt;
    return text.substr(feed + 1);
}

}  // namespace

bool IsTimelineNonce(std::string_view text) {
    return AllOf(text, 64, [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

bool IsTimelineAckToken(std::string_view text) {
    return AllOf(text, 10, [](char c) { return c >= '0' && c <= '9'; });
}

std::string TimelineLoadDocument(const std::string& profileName, int32_t profileIndex,
                                 const std::vector<UnifiedEvent>& events,
                                 const std::function<std::string(uint32_t vk)>& keyName) {
    std::map<uint32_t, std::string> keys;
    for (const UnifiedEvent& e : events) {
        if (e.type == EventType::Key && !keys.contains(e.vk)) keys.emplace(e.vk, keyName(e.vk));
    }
    std::string out;
    out.reserve(64 + events.size() * 40);
    out += "{\"profile\":";
    out += JsonEscape(profileName);
    out += ",\"profileIdx\":";
    out += std::to_string(profileIndex);
    out += ",\"keys\":{";
    bool first = true;
    for (const auto& [vk, name] : keys) {
        if (!first) out += ',';
        first = false;
        out += '"';
        out += std::to_string(vk);
        out += "\":";
        out += JsonEscape(name);
    }
    out += "},\"events\":[";
    first = true;
    for (const UnifiedEvent& e : events) {
        if (!first) out += ',';
        first = false;
        out += '[';
        AppendInteger(out, static_cast<int32_t>(e.type));
        out += ',';
        AppendTime(out, e.time);
        for (int64_t v :
             {int64_t{e.x}, int64_t{e.y}, int64_t{e.flags}, int64_t{static_cast<int32_t>(e.vk)},
              int64_t{e.down ? 1 : 0}, int64_t{e.wheel}}) {
            out += ',';
            AppendInteger(out, v);
        }
        out += ']';
    }
    out += "]}";
    return out;
}

std::string TimelineTooLargeDocument(size_t eventCount) {
    return "{\"error\":" +
           JsonEscape("This macro has " + std::to_string(eventCount) +
                      " events - more than the Timeline Editor's limit of 1000000.") +
           "}";
}

std::string TimelineResultObject(bool ok, std::string_view message) {
    return std::string("{\"ok\":") + (ok ? "true" : "false") +
           ",\"message\":" + JsonEscape(message) + "}";
}

std::string TimelineResultFileText(std::string_view nonce, bool ok, std::string_view message) {
    std::string text(nonce);
    text += '\n';
    text += ok ? "ok" : "error";
    text += '\n';
    text += message;
    return text;
}

std::optional<std::string> AcceptTimelineLoad(std::string_view fileText, std::string_view nonce) {
    std::optional<std::string_view> document = AfterNonceLine(fileText, nonce);
    if (!document) return std::nullopt;
    return JsonEscape(*document);
}

std::optional<std::string> AcceptTimelineResult(std::string_view fileText, std::string_view nonce) {
    std::optional<std::string_view> rest = AfterNonceLine(fileText, nonce);
    if (!rest) return std::nullopt;
    const size_t feed = rest->find('\n');
    const std::string_view status = rest->substr(0, feed);
    const std::string_view message =
        feed == std::string_view::npos ? std::string_view() : rest->substr(feed + 1);
    return TimelineResultObject(status == "ok", message);
}

}  // namespace velotap
