// File types under HKEY_CURRENT_USER\Software\Classes: no elevation needed, repaired at each start.
#include <windows.h>
// After windows.h: SHChangeNotify needs its types.
#include <shlobj.h>

#include "platform/file_types.h"
#include "platform/win32/win32_text.h"

namespace velotap {

namespace {

struct TypeNames {
    const char* extension;
    const char* progId;
    const char* description;
    int icon;
};
constexpr TypeNames kTheme{".vtptheme", "Velotap.Theme", "Velotap Theme", 103};
constexpr TypeNames kMacro{".vtpmacro", "Velotap.Macro", "Velotap Macro", 102};

std::wstring ClassesKey(const std::string& subkey) {
    return L"Software\\Classes\\" + Widen(subkey);
}

// The key's default value when it is a string of at most 260 bytes.
bool ReadDefault(const std::string& subkey, std::wstring& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ClassesKey(subkey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    wchar_t buffer[131] = {};
    DWORD type = 0;
    DWORD size = 260;
    bool ok = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                               &size) == ERROR_SUCCESS &&
              type == REG_SZ;
    RegCloseKey(key);
    if (ok) value.assign(buffer);
    return ok;
}

bool HasDefault(const std::string& subkey, const std::wstring& wanted) {
    std::wstring value;
    return ReadDefault(subkey, value) && value == wanted;
}

bool WriteDefault(const std::string& subkey, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, ClassesKey(subkey).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    // The terminating null is counted in the length.
    bool ok =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

std::wstring Command(const std::string& opener) {
    return L"\"" + Widen(opener) + L"\" \"%1\"";
}
std::wstring Icon(const std::string& opener, int index) {
    return L"\"" + Widen(opener) + L"\",-" + std::to_wstring(index);
}

bool TypeInOrder(const TypeNames& t, const std::string& opener) {
    const std::string progId = t.progId;
    return HasDefault(t.extension, Widen(progId)) &&
           HasDefault(progId + "\\shell\\open\\command", Command(opener)) &&
           HasDefault(progId + "\\DefaultIcon", Icon(opener, t.icon));
}

std::string RegisterType(const TypeNames& t, const std::string& opener) {
    const std::string progId = t.progId;
    if (!WriteDefault(t.extension, Widen(progId))) {
        return std::string("Could not write the ") + t.extension + " file association.";
    }
    if (!WriteDefault(progId, Widen(t.description))) {
        return "Could not write the file type registration.";
    }
    WriteDefault(progId + "\\DefaultIcon", Icon(opener, t.icon));  // an icon is not essential
    if (!WriteDefault(progId + "\\shell\\open\\command", Command(opener))) {
        return "Could not write the open command.";
    }
    return {};
}

}  // namespace

const char* OpenerFileName() {
    return "VelotapOpener.exe";
}

bool FileTypesInOrder(const std::string& openerPath) {
    return TypeInOrder(kTheme, openerPath) && TypeInOrder(kMacro, openerPath);
}

std::string RegisterFileTypes(const std::string& openerPath) {
    for (const TypeNames* t : {&kTheme, &kMacro}) {
        if (TypeInOrder(*t, openerPath)) continue;
        std::string error = RegisterType(*t, openerPath);
        if (!error.empty()) return error;
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return {};
}

}  // namespace velotap
