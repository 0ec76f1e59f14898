#pragma once
// Text crosses into Windows as UTF-16; the program's own text is UTF-8.
#include <windows.h>

#include <string>
#include <string_view>

namespace velotap {

// UTF-8 to UTF-16. With MB_ERR_INVALID_CHARS in `flags` a text that is not UTF-8 gives an empty
// result; without it such bytes become U+FFFD.
std::wstring Widen(std::string_view text, DWORD flags = 0);

// UTF-16 to UTF-8.
std::string Narrow(std::wstring_view text);

}  // namespace velotap
