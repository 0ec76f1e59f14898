#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/posix_fd.h"

namespace velotap {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string ParentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The temporary is the user's alone from the start (a left-over one is narrowed too).
bool WriteTemporary(const std::string& temp, const std::vector<std::string_view>& pieces,
                    bool durable) {
    Fd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.get() < 0 || fchmod(fd.get(), 0600) != 0) return false;
    for (std::string_view piece : pieces) {
        if (!WriteAll(fd.get(), piece)) return false;
    }
    if (durable && fsync(fd.get()) != 0) return false;
    return fd.Close();
}

bool Replace(const std::string& path, const std::vector<std::string_view>& pieces, bool durable) {
    const std::string temp = path + ".tmp";
    if (!WriteTemporary(temp, pieces, durable) || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ReplaceFileQuickly(const std::string& path, std::string_view bytes) {
    return Replace(path, {bytes}, false);
}

bool ReplaceFileQuickly(const std::string& path, const std::vector<std::string_view>& pieces) {
    return Replace(path, pieces, false);
}

void MakeOwnerOnly(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        chmod(path.c_str(), 0700);
    } else if (S_ISREG(info.st_mode)) {
        chmod(path.c_str(), 0600);
    }
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
    if (!Replace(path, {bytes}, true)) return false;
    // The rename lives in the folder's entries: without this a power cut may bring back the old
    // name. The new content is in place either way, so a folder that cannot be synced is no error.
    Fd folder(open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) fsync(folder.get());
    return true;
}

}  // namespace velotap
