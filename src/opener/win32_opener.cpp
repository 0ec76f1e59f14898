// VelotapOpener.exe: what the shell starts for a double-clicked theme or macro file. It copies the
// file into the themes folder, leaves the pending-apply marker naming it, and starts VelotapApp
// when none runs (a running one picks the marker up through its folder watcher). It shows nothing
// and links nothing of VelotapApp.
//
// Exit code 0, except 1 when the command line cannot be split or the copy fails.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

// Closes a handle when it goes.
struct Handle {
    HANDLE h;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return text;
}

// "%LOCALAPPDATA%\Velotap", or ".\Velotap" when the variable is missing, empty or too long.
std::wstring DataFolder() {
    wchar_t buffer[260];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, 260);
    const std::wstring root = n == 0 || n >= 260 ? std::wstring(L".") : std::wstring(buffer, n);
    return root + L"\\Velotap";
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadWhole(const std::wstring& path, std::string& bytes) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.ok() || !GetFileSizeEx(file.h, &size) || size.QuadPart > 0x7fffffff) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
            read == bytes.size());
}

bool SameBytes(const std::wstring& a, const std::wstring& b) {
    std::string first, second;
    return ReadWhole(a, first) && ReadWhole(b, second) && first == second;
}

// The marker's value is read by VelotapApp as UTF-8, as all its file names are.
std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

void WriteMarker(const std::wstring& path, const std::string& content) {
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.ok())
        WriteFile(file.h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

std::wstring OwnFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

int Open(const std::wstring& source) {
    if (source.size() < 9) return 0;
    const std::wstring extension = Lower(source.substr(source.size() - 9));
    const char* tag = extension == L".vtptheme"   ? "THEME"
                      : extension == L".vtpmacro" ? "MACRO"
                                                  : nullptr;
    if (!tag) return 0;

    const size_t slash = source.find_last_of(L"\\/");
    const std::wstring base = slash == std::wstring::npos ? source : source.substr(slash + 1);
    const std::wstring stem = base.size() >= 9 ? base.substr(0, base.size() - 9) : std::wstring();

    const std::wstring data = DataFolder();
    const std::wstring themes = data + L"\\themes";
    CreateDirectoryW(data.c_str(), nullptr);
    CreateDirectoryW(themes.c_str(), nullptr);

    std::wstring name = base;
    bool copy = true;
    if (Exists(themes + L"\\" + base)) {
        if (SameBytes(source, themes + L"\\" + base)) {
            copy = false;
        } else {
            name.clear();
            for (int n = 2; n <= 999 && name.empty(); ++n) {
                std::wstring candidate = stem + L" (" + std::to_wstring(n) + L")" + extension;
                if (!Exists(themes + L"\\" + candidate)) name = candidate;
            }
            if (name.empty()) return 1;  // every name is taken: never overwrite one
        }
    }
    // Never over an existing file, even one that appeared since the check.
    if (copy && !CopyFileW(source.c_str(), (themes + L"\\" + name).c_str(), TRUE)) return 1;

    WriteMarker(themes + L"\\_pending_apply.marker",
                std::string(tag) + ":" + Utf8(name.substr(0, name.size() - 9)));

    HANDLE running = OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\VelotapUI_SingleInstance");
    if (running) {
        CloseHandle(running);
        return 0;
    }
    if (GetLastError() == ERROR_FILE_NOT_FOUND) {
        const std::wstring app = OwnFolder() + L"\\VelotapApp.exe";
        ShellExecuteW(nullptr, L"open", app.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return 1;
    const int code = count < 2 ? 0 : Open(args[1]);
    LocalFree(args);
    return code;
}
