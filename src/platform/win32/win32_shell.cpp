#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/shell.h"
#include "platform/win32/win32_text.h"

namespace velotap {

void OpenUri(const std::string& uri) {
    ShellExecuteW(nullptr, L"open", Widen(uri).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowErrorBox(const std::string& caption, const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

bool ApplyLaunchOnStartup(bool enable, const std::string& executable) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    LONG rc;
    if (enable) {
        const std::string value = "\"" + executable + "\"";
        rc = RegSetValueExA(key, "Velotap", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    } else {
        rc = RegDeleteValueA(key, "Velotap");
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace velotap
