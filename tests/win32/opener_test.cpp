// VelotapOpener.exe and the per-user file types on the real Windows calls (under Wine here).
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>

#include "platform/file_types.h"
#include "support/subprocess.h"
#include "support/wait_for.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;

// Runs `program` with `args` (wide, so that any file name survives) and LOCALAPPDATA and
// `extra` set; its exit code.
int RunOpener(const fs::path& program, const std::vector<fs::path>& args, const fs::path& local,
              const std::wstring& extra = L"") {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    for (const fs::path& a : args)
        line += L" \"" + a.wstring() + L"\"";
    SetEnvironmentVariableW(L"LOCALAPPDATA", local.wstring().c_str());
    if (!extra.empty()) SetEnvironmentVariableW(L"VELOTAP_START_SENTINEL", extra.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi);
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    SetEnvironmentVariableW(L"VELOTAP_START_SENTINEL", nullptr);
    if (!ok) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<int>(code);
}

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(Opener, CopiesMarksAndStartsTheProgramOnlyWhenNoneRuns) {
    TempDir temp;
    const fs::path dir = temp.path();
    const fs::path themes = dir / "Velotap" / "themes";
    const fs::path marker = themes / "_pending_apply.marker";
    const fs::path first = dir / "in" / "Dark.vtptheme", other = dir / "other" / "Dark.VTPTHEME";
    const fs::path named = dir / "in" / L"\u00c9t\u00e9.vtpmacro";  // "Été"
    Write(first, "one");
    Write(other, "two");
    Write(named, "m");
    Write(dir / "notes.txt", "x");
    const fs::path opener = VELOTAP_OPENER_PATH;

    // A running VelotapApp, as far as the opener can tell: its mutex exists.
    HANDLE running = CreateMutexW(nullptr, FALSE, L"Local\\VelotapUI_SingleInstance");
    ASSERT_NE(running, nullptr);
    struct Case {
        std::vector<fs::path> args;
        int exitCode;
        const char* marker;  // null: none
    } cases[] = {
        {{}, 0, nullptr},
        {{dir / "notes.txt"}, 0, nullptr},
        {{dir / "in" / "Missing.vtptheme"}, 1, nullptr},
        {{first}, 0, "THEME:Dark"},
        {{first}, 0, "THEME:Dark"},  // identical: not copied again
        {{other}, 0, "THEME:Dark (2)"},
        {{named, "ignored"}, 0, "MACRO:\xc3\x89t\xc3\xa9"},  // the name in UTF-8
    };
    for (const auto& c : cases) {
        fs::remove(marker);
        const std::string label = c.args.empty() ? "(none)" : c.args[0].string();
        EXPECT_EQ(RunOpener(opener, c.args, dir), c.exitCode) << label;
        EXPECT_EQ(fs::exists(marker), c.marker != nullptr) << label;
        if (c.marker) {
            EXPECT_EQ(Read(marker), c.marker) << label;
        }
    }
    EXPECT_EQ(Read(themes / "Dark.vtptheme"), "one");
    EXPECT_EQ(Read(themes / "Dark (2).vtptheme"), "two");
    EXPECT_EQ(Read(themes / L"\u00c9t\u00e9.vtpmacro"), "m");
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(themes))
        ++files;
    EXPECT_EQ(files, 4u);  // Dark, Dark (2), Été and the marker
    CloseHandle(running);

    // None runs: the program beside the opener is started (here a stand-in that leaves a file).
    const fs::path bin = dir / "bin", started = dir / "started";
    fs::create_directory(bin);
    fs::copy_file(opener, bin / "VelotapOpener.exe");
    fs::copy_file(VELOTAP_START_SENTINEL_PATH, bin / "VelotapApp.exe");
    EXPECT_EQ(RunOpener(bin / "VelotapOpener.exe", {first}, dir, started.wstring()), 0);
    EXPECT_TRUE(WaitFor([&] { return fs::exists(started); }, std::chrono::seconds(60)));
    EXPECT_EQ(Read(marker), "THEME:Dark");
}

// The registry values as another program (reg.exe) reads them back.
TEST(FileTypes, RegisteredValuesReadBackWithReg) {
    const std::string opener = "C:\\Program Files\\Velotap\\VelotapOpener.exe";
    ASSERT_EQ(RegisterFileTypes(opener), "");
    EXPECT_TRUE(FileTypesInOrder(opener));
    const std::string quoted = "\"" + opener + "\"";
    const std::pair<const char*, std::string> expected[] = {
        {".vtptheme", "Velotap.Theme"},
        {"Velotap.Theme", "Velotap Theme"},
        {"Velotap.Theme\\DefaultIcon", quoted + ",-103"},
        {"Velotap.Theme\\shell\\open\\command", quoted + " \"%1\""},
        {".vtpmacro", "Velotap.Macro"},
        {"Velotap.Macro", "Velotap Macro"},
        {"Velotap.Macro\\DefaultIcon", quoted + ",-102"},
        {"Velotap.Macro\\shell\\open\\command", quoted + " \"%1\""},
    };
    for (const auto& [key, value] : expected) {
        ProcessResult r =
            RunProcess("reg", {"query", std::string("HKCU\\Software\\Classes\\") + key, "/ve"});
        EXPECT_EQ(r.exitCode, 0) << key;
        EXPECT_NE(ConsoleText(r.out).find("REG_SZ    " + value + "\n"), std::string::npos)
            << key << "\n"
            << r.out;
    }
    // Another program taking the extension over is set right at the next check.
    ASSERT_EQ(RunProcess("reg", {"add", "HKCU\\Software\\Classes\\.vtptheme", "/ve", "/d",
                                 "Other.Theme", "/f"})
                  .exitCode,
              0);
    EXPECT_FALSE(FileTypesInOrder(opener));
    EXPECT_EQ(RegisterFileTypes(opener), "");
    EXPECT_TRUE(FileTypesInOrder(opener));
}

}  // namespace velotap
