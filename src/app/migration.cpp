#include "app/migration.h"

#include <filesystem>
#include <system_error>

namespace velotap {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// A move that may cross file systems, as MoveFileEx with copying allowed does.
void MoveFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) return;
    if (fs::copy_file(from, to, fs::copy_options::none, ec)) fs::remove(from, ec);
}

}  // namespace

std::string MigrateDataFiles(const std::string& dataFolder, const std::string& executableFolder) {
    const fs::path data(dataFolder), exe(executableFolder);
    fs::path session = data / "session.dat";
    if (!Exists(session)) {
        for (const fs::path& older :
             {data / "session.vtpmacro", data / "session.mcr", exe / "session.mcr"}) {
            if (!Exists(older)) continue;
            MoveFile(older, session);
            if (!Exists(session) && Exists(older)) session = older;
            break;
        }
    }
    MigrateThemeAndSettings(dataFolder, executableFolder);
    std::error_code ignored;
    fs::remove(exe / "status.txt", ignored);
    fs::remove(exe / "macroevents.txt", ignored);
    return session.string();
}

void MigrateThemeAndSettings(const std::string& dataFolder, const std::string& executableFolder) {
    const fs::path data(dataFolder), exe(executableFolder);
    for (const char* name : {"theme.txt", "appsettings.txt"}) {
        if (!Exists(data / name) && Exists(exe / name)) MoveFile(exe / name, data / name);
    }
}

}  // namespace velotap
