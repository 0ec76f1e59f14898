#include "platform/runtime_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace velotap {

namespace {

bool IsPrivateFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

bool IsPrivateFolder(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && IsPrivateFolder(st);
}

// Makes `path` when missing and checks what is there through a descriptor that cannot follow a
// link, so a link or someone else's folder planted under the name is never used. Our own folder
// that others may enter is closed to them.
bool MakePrivateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
    if (ok && (st.st_mode & 077) != 0) ok = fchmod(fd, 0700) == 0;
    close(fd);
    return ok;
}

}  // namespace

std::string RuntimeFolder() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg && IsPrivateFolder(xdg)) {
        const std::string folder = std::string(xdg) + "/Velotap";
        return MakePrivateFolder(folder) ? folder : std::string();
    }
    const std::string fallback = "/tmp/velotap-" + std::to_string(geteuid());
    mkdir(fallback.c_str(), 0700);
    return IsPrivateFolder(fallback) ? fallback : std::string();
}

}  // namespace velotap
