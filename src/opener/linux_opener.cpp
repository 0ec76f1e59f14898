// VelotapOpener: what the desktop starts for a double-clicked theme or macro file. It copies the
// file into the themes folder, leaves the pending-apply marker naming it, and starts VelotapApp
// when none runs (a running one picks the marker up through its folder watcher). It prints
// nothing, shows nothing, and links nothing of VelotapApp: only the C and C++ libraries.
//
// Exit code 0, except 1 when the copy fails.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

bool IsPrivateFolder(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 077) == 0;
}

// The same private folder VelotapApp keeps its single-instance lock in; only looked at, never made.
std::string RuntimeFolder() {
    std::string folder = "/tmp/velotap-" + std::to_string(geteuid());
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg && IsPrivateFolder(xdg)) {
        folder = std::string(xdg) + "/Velotap";
    }
    return IsPrivateFolder(folder) ? folder : std::string();
}

// "$LOCALAPPDATA/Velotap" (set, not empty, under 260 bytes), else the XDG data home's, else
// "./Velotap" — as VelotapApp chooses it.
std::string DataFolder() {
    const char* local = std::getenv("LOCALAPPDATA");
    if (local && *local && std::strlen(local) < 260) return std::string(local) + "/Velotap";
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        return std::string(xdg) + "/Velotap";
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::string(home) + "/.local/share/Velotap";
    }
    return "./Velotap";
}

// The file in `folder` named `stem` and `extension` in any letter case (VelotapApp treats the
// extension's case as Windows does); empty when there is none.
std::string FindTheme(const std::string& folder, const std::string& stem,
                      const std::string& extension) {
    std::string found;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() != stem.size() + extension.size() || name.compare(0, stem.size(), stem))
                continue;
            if (strcasecmp(name.c_str() + stem.size(), extension.c_str()) == 0) {
                found = name;
                break;
            }
        }
        closedir(d);
    }
    return found;
}

bool ReadAll(const std::string& path, std::string& bytes) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bytes.clear();
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

// Written under a name of its own and renamed into place: the watcher never reads half a file,
// and an existing file is never overwritten unless `replace`.
bool WriteFile(const std::string& path, const std::string& bytes, bool replace) {
    std::string temporary = path + ".part-" + std::to_string(getpid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = close(fd) == 0 && done == bytes.size();
    if (ok)
        ok = replace ? rename(temporary.c_str(), path.c_str()) == 0
                     : link(temporary.c_str(), path.c_str()) == 0;
    unlink(temporary.c_str());
    return ok;
}

bool VelotapAppRuns() {
    const std::string folder = RuntimeFolder();
    if (folder.empty()) return false;
    int fd = open((folder + "/Local_VelotapUI_SingleInstance.lock").c_str(),
                  O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

std::string OwnFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.find_last_of('/'));
}

// VelotapApp in its own session, so that it outlives us; a failure to start is ignored.
void StartVelotapApp() {
    std::string program = OwnFolder() + "/VelotapApp";
    char* argv[] = {program.data(), nullptr};
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return;
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    posix_spawn(&child, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 0;
    const std::string source = argv[1];
    if (source.size() < 9) return 0;
    std::string extension = source.substr(source.size() - 9);
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const char* tag = extension == ".vtptheme"   ? "THEME"
                      : extension == ".vtpmacro" ? "MACRO"
                                                 : nullptr;
    if (!tag) return 0;

    const size_t slash = source.find_last_of("\\/");
    const std::string base = slash == std::string::npos ? source : source.substr(slash + 1);
    const std::string stem = base.size() >= 9 ? base.substr(0, base.size() - 9) : std::string();

    const std::string data = DataFolder();
    const std::string themes = data + "/themes";
    mkdir(data.c_str(), 0755);
    mkdir(themes.c_str(), 0755);

    std::string bytes;
    if (!ReadAll(source, bytes)) return 1;
    std::string name = base;
    bool copy = true;
    if (std::string existing = FindTheme(themes, stem, extension); !existing.empty()) {
        std::string held;
        if (ReadAll(themes + "/" + existing, held) && held == bytes) {
            name = existing;
            copy = false;
        } else {
            name.clear();
            for (int n = 2; n <= 999 && name.empty(); ++n) {
                std::string candidate = stem + " (" + std::to_string(n) + ")";
                if (FindTheme(themes, candidate, extension).empty()) name = candidate + extension;
            }
            if (name.empty()) return 1;  // every name is taken: never overwrite one
        }
    }
    if (copy && !WriteFile(themes + "/" + name, bytes, false)) return 1;

    const std::string value = name.substr(0, name.size() - 9);
    WriteFile(themes + "/_pending_apply.marker", std::string(tag) + ":" + value, true);

    if (!VelotapAppRuns()) StartVelotapApp();
    return 0;
}
