#include "platform/win32/win32_text.h"

namespace velotap {

std::wstring Widen(std::string_view text, DWORD flags) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    int n = MultiByteToWideChar(CP_UTF8, flags, text.data(), length, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, flags, text.data(), length, wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), n, nullptr, nullptr);
    return narrow;
}

}  // namespace velotap
