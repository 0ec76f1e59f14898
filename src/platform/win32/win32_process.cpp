#include "platform/process.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>

namespace velotap {

ProcessScope::ProcessScope() {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    comInitialised_ = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
    SetProcessDPIAware();
}

ProcessScope::~ProcessScope() {
    if (comInitialised_) CoUninitialize();
}

std::vector<std::string> CommandLineArgs(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i) {
        std::string narrow;
        for (const wchar_t* p = wide[i]; *p; ++p)
            narrow += static_cast<char>(*p & 0xFF);
        args.push_back(std::move(narrow));
    }
    LocalFree(wide);
    return args;
}

std::string RawCommandLine(int, char**) {
    // Skip the program name the way the C runtime does for WinMain's command line.
    const char* p = GetCommandLineA();
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

void EnsureConsoleOutput() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            FILE* ignored = nullptr;
            freopen_s(&ignored, "CONOUT$", "w", stdout);
        }
    }
}

std::string ExecutablePath() {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::string(buffer, n);
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    char buffer[32768];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    if (n >= sizeof buffer) return std::nullopt;
    return std::string(buffer, n);
}

void UnsetEnvironmentVariable(const char* name) {
    SetEnvironmentVariableA(name, nullptr);
}

void SetEnvironmentValue(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
}

std::optional<std::string> DefaultDataRoot() {
    return std::nullopt;
}

namespace {

class Win32Child final : public ChildProcess {
  public:
    Win32Child(HANDLE process, DWORD id) : process_(process), id_(id) {}
    ~Win32Child() override { CloseHandle(process_); }
    Win32Child(const Win32Child&) = delete;
    Win32Child& operator=(const Win32Child&) = delete;

    uint32_t Id() const override { return id_; }

    bool Running() override {
        DWORD code = 0;
        return GetExitCodeProcess(process_, &code) && code == STILL_ACTIVE;
    }

    void Terminate() override { TerminateProcess(process_, 0); }

  private:
    HANDLE process_;
    DWORD id_;
};

}  // namespace

std::unique_ptr<ChildProcess> StartChildProcess(const std::string& executable,
                                                const std::vector<std::string>& arguments) {
    std::string commandLine = "\"" + executable + "\"";
    for (const std::string& argument : arguments)
        commandLine += " " + argument;
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(executable.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    return std::make_unique<Win32Child>(info.hProcess, info.dwProcessId);
}

}  // namespace velotap
