// File types through XDG: a shared-mime-info package naming the two types, a desktop entry for
// VelotapOpener that handles them, and those types' defaults in mimeapps.list.
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/file_replace.h"
#include "platform/file_types.h"
#include "platform/linux/mime_package.h"
#include "platform/process.h"

extern char** environ;

namespace velotap {

namespace {

namespace fs = std::filesystem;

constexpr const char* kThemeType = "application/x-velotap-theme";
constexpr const char* kMacroType = "application/x-velotap-macro";
constexpr const char* kDesktopId = "velotap-opener.desktop";

std::string Home(const char* variable, const char* fallback) {
    if (auto value = EnvironmentVariable(variable); value && !value->empty()) return *value;
    if (auto home = EnvironmentVariable("HOME"); home && !home->empty()) return *home + fallback;
    return {};
}

std::string DataHome() {
    return Home("XDG_DATA_HOME", "/.local/share");
}
std::string ConfigHome() {
    return Home("XDG_CONFIG_HOME", "/.config");
}

std::string MimePackagePath() {
    return DataHome() + "/mime/packages/velotap.xml";
}
std::string DesktopEntryPath() {
    return DataHome() + "/applications/" + kDesktopId;
}
std::string MimeAppsPath() {
    return ConfigHome() + "/mimeapps.list";
}

std::string MimePackage() {
    return kMimePackageXml;
}

// The Exec line's quoting: the path in double quotes with ", `, $ and \ escaped, and % doubled.
// None for a path that a desktop entry cannot hold.
std::string DesktopEntry(const std::string& opener) {
    std::string quoted = "\"";
    for (char c : opener) {
        if (c == '\n' || c == '\r') return {};
        // The Exec quoting's backslash, itself escaped as the entry's strings require.
        if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
        if (c == '\\') quoted += "\\\\\\";
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return std::string("[Desktop Entry]\nType=Application\nName=Velotap\n") +
           "Comment=Opens Velotap themes and macros\nExec=" + quoted +
           " %f\nMimeType=" + kThemeType + ";" + kMacroType + ";\nNoDisplay=true\nTerminal=false\n";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteText(const std::string& path, const std::string& text) {
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    return ReplaceFileContents(path, text);
}

// mimeapps.list with our two defaults set in [Default Applications]; every other line stays.
std::string WithDefaults(const std::string& current) {
    std::vector<std::string> lines;
    std::istringstream in(current);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    const std::string wanted[] = {std::string(kThemeType) + "=" + kDesktopId,
                                  std::string(kMacroType) + "=" + kDesktopId};
    std::vector<std::string> out;
    bool inDefaults = false, sectionSeen = false;
    bool done[2] = {false, false};
    // Missing keys go after the section's last entry, before its trailing blank lines.
    auto finishSection = [&] {
        size_t at = out.size();
        while (at > 0 && out[at - 1].empty())
            --at;
        for (int i = 0; i < 2; ++i) {
            if (!done[i]) out.insert(out.begin() + static_cast<std::ptrdiff_t>(at++), wanted[i]);
        }
        done[0] = done[1] = true;
    };
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '[') {
            if (inDefaults) finishSection();
            inDefaults = line == "[Default Applications]";
            sectionSeen = sectionSeen || inDefaults;
            out.push_back(line);
            continue;
        }
        if (inDefaults) {
            bool ours = false;
            for (int i = 0; i < 2; ++i) {
                const std::string key = i == 0 ? kThemeType : kMacroType;
                if (line.rfind(key + "=", 0) == 0) {
                    if (!done[i]) out.push_back(wanted[i]);
                    done[i] = true;
                    ours = true;
                }
            }
            if (ours) continue;
        }
        out.push_back(line);
    }
    if (inDefaults) finishSection();
    if (!sectionSeen) {
        if (!out.empty() && !out.back().empty()) out.push_back("");
        out.push_back("[Default Applications]");
        finishSection();
    }
    std::string text;
    for (const std::string& line : out)
        text += line + "\n";
    return text;
}

bool DatabaseKnowsTypes() {
    const std::string types = ReadText(DataHome() + "/mime/types");
    return types.find(std::string(kThemeType) + "\n") != std::string::npos &&
           types.find(std::string(kMacroType) + "\n") != std::string::npos;
}

bool UpdateMimeDatabase() {
    std::string folder = DataHome() + "/mime";
    std::string program = "update-mime-database";
    char* argv[] = {program.data(), folder.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

const char* OpenerFileName() {
    return "VelotapOpener";
}

bool FileTypesInOrder(const std::string& openerPath) {
    if (DataHome().empty() || ConfigHome().empty()) return false;
    const std::string entry = DesktopEntry(openerPath);
    const std::string apps = ReadText(MimeAppsPath());
    return !entry.empty() && ReadText(MimePackagePath()) == MimePackage() && DatabaseKnowsTypes() &&
           ReadText(DesktopEntryPath()) == entry && WithDefaults(apps) == apps;
}

std::string RegisterFileTypes(const std::string& openerPath) {
    if (DataHome().empty() || ConfigHome().empty()) {
        return "Could not write the file type registration.";
    }
    const std::string package = MimePackage();
    if (ReadText(MimePackagePath()) != package || !DatabaseKnowsTypes()) {
        if (!WriteText(MimePackagePath(), package) || !UpdateMimeDatabase()) {
            return "Could not write the file type registration.";
        }
    }
    const std::string entry = DesktopEntry(openerPath);
    if (entry.empty()) return "Could not write the open command.";
    if (ReadText(DesktopEntryPath()) != entry && !WriteText(DesktopEntryPath(), entry)) {
        return "Could not write the open command.";
    }
    const std::string apps = ReadText(MimeAppsPath());
    const std::string wanted = WithDefaults(apps);
    if (wanted != apps && !WriteText(MimeAppsPath(), wanted)) {
        return "Could not write the .vtptheme file association.";
    }
    return {};
}

}  // namespace velotap
