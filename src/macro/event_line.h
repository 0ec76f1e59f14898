#pragma once
// The text form of a macro event shared by the session file, macro files and every other file that
// carries events: "type,time,x,y,flags,vk,down,wheel", one event per line.
#include <optional>
#include <string>
#include <string_view>

#include "macro/unified_event.h"

namespace velotap {

// A number in the general notation of a text stream with six significant digits (printf "%g"):
// 0.5, 12.3457, 1234.57, 1.23457e+06. Independent of the process locale.
std::string FormatGeneral6(double value);
void AppendGeneral6(std::string& out, double value);

// The event line without a line end.
std::string FormatEventLine(const UnifiedEvent& event);
void AppendEventLine(std::string& out, const UnifiedEvent& event);

// Whether an event line must carry the wheel value: the session file insists on eight fields;
// macro files also accept seven (older writers had no wheel), the wheel then being 0.
enum class WheelField { Required, Optional };

// Reads an event line with the standard conversions of the C++ library: leading blanks and a sign
// are accepted, text after the number is ignored, a field without a number or out of the 32-bit
// range does not convert (type, flags and key code take the unsigned range, a minus sign wrapping
// as strtoul's does). The time must be a finite number, read without regard to the locale. Fields
// after the eighth are ignored; with an optional wheel, one that does not convert reads as 0.
// No value when the line cannot be used.
std::optional<UnifiedEvent> ParseEventLine(std::string_view line, WheelField wheel);

}  // namespace velotap
