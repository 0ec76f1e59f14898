#include "timeline/edited_macro.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velotap {

namespace {

constexpr size_t kMaxString = 257;
constexpr size_t kMaxNumber = 40;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string EventMessage(size_t n, const char* text) {
    return "Event " + std::to_string(n) + ": " + text;
}

class Reader {
  public:
    explicit Reader(std::string_view text) : s_(text) {}

    EditedMacro Run();

  private:
    void SkipBlanks() {
        while (i_ < s_.size()) {
            char c = s_[i_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
            ++i_;
        }
    }
    bool Next(char c) { return i_ < s_.size() && s_[i_] == c; }

    // A string token; on failure `message` names why (left as is when already set).
    bool ReadString(std::string_view& out, const char*& message);
    bool ReadNumber(double& out);
    // Reads event number `n` (1-based) into `event`; on failure returns its message.
    std::string ReadEvent(size_t n, EditedEvent& event);
    std::string ReadEvents(std::vector<EditedEvent>& events);

    std::string_view s_;
    size_t i_ = 0;
};

bool Reader::ReadString(std::string_view& out, const char*& message) {
    SkipBlanks();
    if (!Next('"')) {
        message = "Expected a string.";
        return false;
    }
    size_t start = ++i_;
    while (true) {
        if (i_ >= s_.size()) {
            message = "Unterminated string.";
            return false;
        }
        auto c = static_cast<unsigned char>(s_[i_]);
        if (c == '"') break;
        if (c == '\\' || c < 0x20 || c > 0x7E) {
            message = "Unexpected character in a string.";
            return false;
        }
        if (i_ - start >= kMaxString) {
            message = "A string is too long.";
            return false;
        }
        ++i_;
    }
    out = s_.substr(start, i_ - start);
    ++i_;
    return true;
}

bool Reader::ReadNumber(double& out) {
    SkipBlanks();
    size_t start = i_;
    size_t j = i_;
    if (j < s_.size() && s_[j] == '-') ++j;
    if (j >= s_.size() || !IsDigit(s_[j])) return false;
    bool integral = true;
    if (s_[j] == '0') {
        ++j;
    } else {
        while (j < s_.size() && IsDigit(s_[j]))
            ++j;
    }
    if (j < s_.size() && s_[j] == '.') {
        integral = false;
        ++j;
        if (j >= s_.size() || !IsDigit(s_[j])) return false;
        while (j < s_.size() && IsDigit(s_[j]))
            ++j;
    }
    if (j < s_.size() && (s_[j] == 'e' || s_[j] == 'E')) {
        integral = false;
        ++j;
        if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
        if (j >= s_.size() || !IsDigit(s_[j])) return false;
        while (j < s_.size() && IsDigit(s_[j]))
            ++j;
    }
    if (j - start > kMaxNumber) return false;
    const char* first = s_.data() + start;
    const char* last = s_.data() + j;
    // Short integers are by far the common case and convert exactly without the general routine.
    if (integral && j - start <= 16) {
        bool negative = *first == '-';
        int64_t value = 0;
        for (const char* p = first + (negative ? 1 : 0); p < last; ++p)
            value = value * 10 + (*p - '0');
        out = negative ? -static_cast<double>(value) : static_cast<double>(value);
    } else {
        auto [end, ec] = std::from_chars(first, last, out);
        if (ec != std::errc() || end != last || !std::isfinite(out)) return false;
    }
    i_ = j;
    return true;
}

bool InRange(double v, double low, double high) {
    return v >= low && v <= high && std::trunc(v) == v;
}

std::string Reader::ReadEvent(size_t n, EditedEvent& event) {
    SkipBlanks();
    if (!Next('[')) return EventMessage(n, "expected [type, time, x, y, flags, vk, down, wheel].");
    ++i_;
    double v[8];
    for (int k = 0; k < 8; ++k) {
        if (k > 0) {
            SkipBlanks();
            if (!Next(',')) return EventMessage(n, "needs exactly 8 values.");
            ++i_;
        }
        if (!ReadNumber(v[k])) return EventMessage(n, "has a value that is not a number.");
    }
    SkipBlanks();
    if (!Next(']')) return EventMessage(n, "needs exactly 8 values.");
    ++i_;
    if (!InRange(v[0], 0, 5)) return EventMessage(n, "unknown event type.");
    if (!InRange(v[2], -1000000, 1000000) || !InRange(v[3], -1000000, 1000000)) {
        return EventMessage(n, "position is out of range.");
    }
    if (!InRange(v[4], 0, 4294967295.0)) return EventMessage(n, "mouse flags are out of range.");
    if (!InRange(v[5], 0, 255)) return EventMessage(n, "key code is out of range.");
    if (v[6] != 0 && v[6] != 1) return EventMessage(n, "the down flag must be 0 or 1.");
    if (!InRange(v[7], -1000000, 1000000)) return EventMessage(n, "scroll amount is out of range.");
    event.type = static_cast<uint32_t>(v[0]);
    event.time = v[1];
    event.x = static_cast<int32_t>(v[2]);
    event.y = static_cast<int32_t>(v[3]);
    event.flags = static_cast<uint32_t>(v[4]);
    event.vk = static_cast<uint32_t>(v[5]);
    event.down = v[6] == 1;
    event.wheel = static_cast<int32_t>(v[7]);
    return {};
}

std::string Reader::ReadEvents(std::vector<EditedEvent>& events) {
    SkipBlanks();
    if (!Next('[')) return "events must be a list.";
    ++i_;
    SkipBlanks();
    if (Next(']')) {
        ++i_;
        return {};
    }
    // The shortest event with its comma takes 18 bytes; reserving from the text's size avoids
    // regrowing a list of a million events.
    events.reserve(std::min(kEditedMacroEventCap, (s_.size() - i_) / 18 + 1));
    while (true) {
        if (events.size() >= kEditedMacroEventCap) {
            return "Too many events (the limit is " + std::to_string(kEditedMacroEventCap) + ").";
        }
        EditedEvent event;
        std::string message = ReadEvent(events.size() + 1, event);
        if (!message.empty()) return message;
        events.push_back(event);
        SkipBlanks();
        if (!Next(',')) break;
        ++i_;
    }
    SkipBlanks();
    if (!Next(']')) return "events list is malformed.";
    ++i_;
    return {};
}

EditedMacro Reader::Run() {
    EditedMacro result;
    auto fail = [](std::string message) {
        EditedMacro failed;
        failed.error = std::move(message);
        return failed;
    };
    if (s_.size() > kEditedMacroCap) return fail("The edited macro is too large to save.");
    SkipBlanks();
    if (!Next('{')) return fail("The edited macro is not in the expected format.");
    ++i_;
    SkipBlanks();
    bool seenNonce = false, seenLoadNonce = false, seenEvents = false;
    if (!Next('}')) {
        while (true) {
            std::string_view key;
            const char* message = nullptr;
            bool keyRead = ReadString(key, message);
            if (keyRead) {
                SkipBlanks();
                keyRead = Next(':');
            }
            if (!keyRead) return fail(message ? message : "Malformed document.");
            ++i_;
            if (key == "nonce" || key == "loadNonce") {
                bool& seen = key == "nonce" ? seenNonce : seenLoadNonce;
                std::string keyText(key);
                if (seen) return fail("Duplicate key: " + keyText + ".");
                seen = true;
                std::string_view value;
                const char* ignored = nullptr;
                bool ok = ReadString(value, ignored) && !value.empty() && value.size() <= 64;
                for (size_t k = 0; ok && k < value.size(); ++k)
                    ok = IsHexDigit(value[k]);
                if (!ok) return fail("Malformed " + keyText + ".");
                (key == "nonce" ? result.nonce : result.loadNonce) = std::string(value);
            } else if (key == "events") {
                if (seenEvents) return fail("Duplicate key: events.");
                seenEvents = true;
                std::string message = ReadEvents(result.events);
                if (!message.empty()) return fail(std::move(message));
            } else {
                return fail("Unexpected key in the edited macro.");
            }
            SkipBlanks();
            if (!Next(',')) break;
            ++i_;
        }
    }
    SkipBlanks();
    if (!Next('}')) return fail("The edited macro is not in the expected format.");
    ++i_;
    SkipBlanks();
    if (i_ != s_.size()) return fail("Unexpected data after the edited macro.");
    if (!seenNonce || !seenLoadNonce || !seenEvents) {
        return fail("The edited macro is missing a field.");
    }
    for (size_t k = 0; k < result.events.size(); ++k) {
        const EditedEvent& e = result.events[k];
        size_t n = k + 1;
        if (!std::isfinite(e.time) || e.time < 0 || e.time > 1000000) {
            return fail(EventMessage(n, "time is out of range."));
        }
        if (k > 0 && e.time < result.events[k - 1].time) {
            return fail(EventMessage(n, "times are out of order."));
        }
        // Position, key code and scroll amount were range-checked as each event was read, and the
        // stored integers cannot have left those ranges since.
    }
    return result;
}

}  // namespace

EditedMacro ReadEditedMacro(std::string_view text) {
    return Reader(text).Run();
}

}  // namespace velotap
