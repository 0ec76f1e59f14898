#include "macro/event_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#include "base/args.h"
#include "base/file_read.h"

namespace velotap {

namespace {

template <typename Integer>
void AppendInteger(std::string& out, Integer value) {
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

// printf's "%f": six decimals, locale-free.
void AppendFixed6(std::string& out, double value) {
    // The longest double in fixed notation has 309 integer digits.
    char buffer[400];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (ec == std::errc()) out.append(buffer, end);
}

// A list index from its text; false when it is not a number or outside the list.
bool IndexIn(const std::vector<UnifiedEvent>& macro, std::string_view text, size_t& index) {
    std::optional<long long> value = ToInteger(text);
    if (!value || *value < 0 || static_cast<unsigned long long>(*value) >= macro.size()) {
        return false;
    }
    index = static_cast<size_t>(*value);
    return true;
}

// Whether two points are at most 10 pixels apart; wide coordinates cannot overflow the square.
bool WithinTenPixels(const UnifiedEvent& a, const UnifiedEvent& b) {
    const int64_t dx = static_cast<int64_t>(a.x) - b.x;
    const int64_t dy = static_cast<int64_t>(a.y) - b.y;
    if (dx < -10 || dx > 10 || dy < -10 || dy > 10) return false;
    return dx * dx + dy * dy <= 100;
}

}  // namespace

void AppendEventDescription(std::string& out, const UnifiedEvent& e) {
    switch (e.type) {
        case EventType::AbsoluteMove:
            out += "Abs Move to X:";
            AppendInteger(out, e.x);
            out += " Y:";
            AppendInteger(out, e.y);
            break;
        case EventType::RelativeMove:
            out += "Rel Move dX:";
            AppendInteger(out, e.x);
            out += " dY:";
            AppendInteger(out, e.y);
            break;
        case EventType::MouseButton:
            out += "Mouse Click at X:";
            AppendInteger(out, e.x);
            out += " Y:";
            AppendInteger(out, e.y);
            break;
        case EventType::Key:
            out += "Keyboard VK: ";
            AppendInteger(out, e.vk);
            out += e.down ? " (DOWN)" : " (UP)";
            break;
        case EventType::Wheel:
            out += "Mouse Scroll Delta: ";
            AppendInteger(out, e.wheel);
            break;
        case EventType::ToolSwitch:
            out += e.vk == 2 ? "Key Spammer " : "Tapwire ";
            out += e.down ? "ON" : "OFF";
            break;
        default:
            break;
    }
}

namespace {

void AppendEventObject(std::string& out, size_t id, const UnifiedEvent& e) {
    out += "{\"id\":";
    AppendInteger(out, id);
    out += ",\"time\":";
    AppendFixed6(out, e.time);
    out += ",\"desc\":\"";
    AppendEventDescription(out, e);
    out += "\"}";
}

}  // namespace

std::string MacroEventsDocument(const std::vector<UnifiedEvent>& macro) {
    std::string out;
    // 60 to 70 characters an event; one reservation covers it (untouched capacity costs nothing).
    out.reserve(2 + macro.size() * 96);
    out += '[';
    for (size_t i = 0; i < macro.size(); ++i) {
        if (i != 0) out += ',';
        AppendEventObject(out, i, macro[i]);
    }
    out += ']';
    return out;
}

bool DeleteEvent(std::vector<UnifiedEvent>& macro, std::string_view flattened) {
    size_t index;
    if (!IndexIn(macro, flattened, index)) return false;
    macro.erase(macro.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool UpdateEventTime(std::vector<UnifiedEvent>& macro, std::string_view flattened) {
    std::vector<std::string> fields = SplitString(flattened, ',');
    if (fields.size() != 2) return false;
    size_t index;
    std::optional<double> time = ToDouble(fields[1]);
    if (!IndexIn(macro, fields[0], index) || !time || !std::isfinite(*time)) return false;
    macro[index].time = *time;
    return true;
}

void ThinMovement(std::vector<UnifiedEvent>& macro) {
    // In place: the kept events are written over the front, never ahead of the one being read,
    // so "the next event" is still the original one.
    const size_t count = macro.size();
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        const UnifiedEvent& e = macro[i];
        const bool candidate = e.type == EventType::AbsoluteMove && i != 0 && i + 1 != count &&
                               macro[i + 1].type == EventType::AbsoluteMove && kept != 0 &&
                               macro[kept - 1].type == EventType::AbsoluteMove;
        if (candidate && WithinTenPixels(e, macro[kept - 1])) continue;
        if (kept != i) macro[kept] = e;
        ++kept;
    }
    macro.resize(kept);
}

std::string ReadMacroEventsMirror(const std::string& path) {
    std::string line = ReadWholeFile(path);
    line.resize(std::min(line.size(), line.find('\n')));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.empty() ? "[]" : line;
}

bool EventListCache::Refresh(ProfileList& profiles, Waiting wait) {
    std::lock_guard guard(mutex_);
    std::vector<UnifiedEvent> fresh;
    bool grewOnly = false;
    {
        std::unique_lock lock(profiles.lock, std::defer_lock);
        if (wait == Waiting::Yes) {
            lock.lock();
        } else if (!lock.try_lock()) {
            return false;
        }
        const std::vector<UnifiedEvent>& macro = profiles.CurrentMacro();
        const bool same = valid_ && revision_ == profiles.revision &&
                          index_ == profiles.currentIndex && count_ <= macro.size();
        if (same && count_ == macro.size()) return false;
        grewOnly = same;
        fresh.assign(macro.begin() + static_cast<std::ptrdiff_t>(grewOnly ? count_ : 0),
                     macro.end());
        valid_ = true;
        revision_ = profiles.revision;
        index_ = profiles.currentIndex;
    }
    if (!grewOnly) {
        parts_.clear();
        count_ = 0;
    }
    // The new events become a part of their own: the parts already made may be being written.
    auto part = std::make_shared<std::string>();
    part->reserve(fresh.size() * 96);
    for (const UnifiedEvent& e : fresh) {
        if (count_ != 0) *part += ',';
        AppendEventObject(*part, count_++, e);
    }
    if (!part->empty()) parts_.push_back(std::move(part));
    return true;
}

MirrorPieces EventListCache::Pieces() {
    static const auto open = std::make_shared<const std::string>("[");
    static const auto close = std::make_shared<const std::string>("]");
    std::lock_guard guard(mutex_);
    MirrorPieces pieces;
    pieces.reserve(parts_.size() + 2);
    pieces.push_back(open);
    pieces.insert(pieces.end(), parts_.begin(), parts_.end());
    pieces.push_back(close);
    return pieces;
}

void RefreshMacroEvents(const MacroEditView& v, Waiting wait) {
    if (v.events.Refresh(v.profiles, wait)) v.writer.Write(v.mirrorPath, v.events.Pieces());
}

std::optional<std::string> ListMacroEventWindow(ProfileList& profiles, std::string_view flattened) {
    std::vector<std::string> fields = SplitString(flattened, ',');
    if (fields.size() != 2) return std::nullopt;
    std::optional<long long> first = ToInteger(fields[0]);
    std::optional<long long> count = ToInteger(fields[1]);
    if (!first || !count || *first < 0 || *count < 0) return std::nullopt;
    std::vector<UnifiedEvent> window;
    size_t total;
    size_t from;
    {
        std::lock_guard lock(profiles.lock);
        const std::vector<UnifiedEvent>& macro = profiles.CurrentMacro();
        total = macro.size();
        from = std::min(total, static_cast<size_t>(*first));
        const size_t to =
            from + std::min(total - from, std::min(kMaxEventWindow, static_cast<size_t>(*count)));
        window.assign(macro.begin() + static_cast<std::ptrdiff_t>(from),
                      macro.begin() + static_cast<std::ptrdiff_t>(to));
    }
    std::string out;
    out.reserve(48 + window.size() * 96);
    out += "{\"total\":";
    AppendInteger(out, total);
    out += ",\"first\":";
    AppendInteger(out, from);
    out += ",\"events\":[";
    for (size_t i = 0; i < window.size(); ++i) {
        if (i != 0) out += ',';
        AppendEventObject(out, from + i, window[i]);
    }
    out += "]}";
    return out;
}

std::string ListMacroEvents(const MacroEditView& v) {
    RefreshMacroEvents(v);
    return JoinPieces(v.events.Pieces());
}

// The lock is held for the edit only; the listing copies what it needs under it again.
void EditCurrentMacro(const MacroEditView& v,
                      const std::function<void(std::vector<UnifiedEvent>&)>& edit) {
    {
        std::lock_guard lock(v.profiles.lock);
        edit(v.profiles.Current());
    }
    RefreshMacroEvents(v);
}

}  // namespace velotap
