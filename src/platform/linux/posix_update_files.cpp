// The program is not elevated here, so the download is protected by ownership and modes: a 0700
// folder of ours in the private runtime folder, a file created new 0700 without following links,
// and the very file descriptor that was hashed is the one executed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/hex.h"
#include "platform/linux/posix_fd.h"
#include "platform/process.h"
#include "platform/runtime_folder.h"
#include "platform/sha256.h"
#include "platform/update_files.h"

extern char** environ;

namespace velotap {

namespace {

bool IsOursAndPrivate(const struct stat& st) {
    return st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

class PosixInstallerFile : public InstallerFile {
  public:
    explicit PosixInstallerFile(int fd) : fd_(fd) { fstat(fd, &created_); }

    bool Write(const char* data, size_t size) override {
        while (size > 0) {
            ssize_t n = write(fd_.get(), data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    // A file open for writing cannot be executed, so the writer is closed and the file opened
    // again read-only through /proc, which names this very inode whatever happens to its path.
    bool Seal() override {
        if (fd_.get() < 0 || fsync(fd_.get()) != 0) return false;
        std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        Fd reader(open(self.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st;
        if (reader.get() < 0 || fstat(reader.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_dev != created_.st_dev || st.st_ino != created_.st_ino || !IsOursAndPrivate(st)) {
            return false;
        }
        fd_.Reset(reader.Release());
        return true;
    }

    bool Sha256Hex(std::string& hex) override {
        Sha256Stream hash;
        std::vector<char> buffer(65536);
        off_t offset = 0;
        for (;;) {
            ssize_t n = pread(fd_.get(), buffer.data(), buffer.size(), offset);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) break;
            if (!hash.Add(std::string_view(buffer.data(), static_cast<size_t>(n)))) return false;
            offset += n;
        }
        Sha256Digest digest;
        if (!hash.Finish(digest)) return false;
        hex = EncodeHexLower(
            std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
        return true;
    }

    // The installer outlives us: a short-lived child starts it in its own session and leaves,
    // and a close-on-exec pipe tells whether the exec happened.
    bool Start(const std::string& parameters) override {
        std::vector<std::string> words;
        for (size_t at = 0; at < parameters.size();) {
            size_t end = parameters.find(' ', at);
            if (end == std::string::npos) end = parameters.size();
            if (end > at) words.push_back(parameters.substr(at, end - at));
            at = end + 1;
        }
        std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        std::vector<char*> argv;
        argv.push_back(self.data());
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);

        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0) return false;
        Fd readEnd(report[0]), writeEnd(report[1]);
        const int exe = fd_.get();
        pid_t child = fork();
        if (child < 0) return false;
        if (child == 0) {
            // Only async-signal-safe calls from here on.
            pid_t grandchild = fork();
            if (grandchild != 0) _exit(grandchild > 0 ? 0 : 1);
            setsid();
            int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, 0);
                dup2(null, 1);
                dup2(null, 2);
            }
            // A script's interpreter opens the file through /proc: keep it open across the exec.
            int flags = fcntl(exe, F_GETFD);
            if (flags >= 0) fcntl(exe, F_SETFD, flags & ~FD_CLOEXEC);
            fexecve(exe, argv.data(), environ);
            int error = errno;
            ssize_t ignored = write(report[1], &error, sizeof error);
            (void)ignored;
            _exit(127);
        }
        writeEnd.Reset();
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        int error = 0;
        ssize_t n;
        do {
            n = read(readEnd.get(), &error, sizeof error);
        } while (n < 0 && errno == EINTR);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
    }

  private:
    Fd fd_;
    struct stat created_ {};
};

// Unlinks the plain files directly inside the open folder `dir`.
void RemovePlainFiles(int dir) {
    int listing = dup(dir);
    if (listing < 0) return;
    DIR* d = fdopendir(listing);
    if (!d) {
        close(listing);
        return;
    }
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        struct stat st;
        if (fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            names.emplace_back(e->d_name);
        }
    }
    closedir(d);
    for (const std::string& name : names)
        unlinkat(dir, name.c_str(), 0);
}

}  // namespace

std::string UpdateDownloadRoot() {
    return RuntimeFolder();
}

char UpdatePathSeparator() {
    return '/';
}

bool SecureRandomBytes(uint8_t* bytes, size_t count) {
    while (count > 0) {
        ssize_t n = getrandom(bytes, count, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool CreateProtectedFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0) return false;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !IsOursAndPrivate(st)) {
        rmdir(path.c_str());
        return false;
    }
    return true;
}

std::unique_ptr<InstallerProtection> PrepareInstallerProtection() {
    return std::make_unique<InstallerProtection>();  // the mode given at creation is all it takes
}

std::unique_ptr<InstallerFile> CreateInstallerFile(const std::string& path,
                                                   const InstallerProtection&) {
    int fd = open(path.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_RDWR | O_CLOEXEC, 0700);
    if (fd < 0) return nullptr;
    // The umask may have taken bits away; the owner needs all three.
    if (fchmod(fd, 0700) != 0) {
        close(fd);
        unlink(path.c_str());
        return nullptr;
    }
    return std::make_unique<PosixInstallerFile>(fd);
}

void RemoveDownloadFolder(const std::string& folder) {
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0) return;
    RemovePlainFiles(dir.get());
    rmdir(folder.c_str());
}

std::string InstallScope() {
    std::string exe = ExecutablePath();
    size_t cut = exe.find_last_of('/');
    if (cut == std::string::npos) return "/ALLUSERS";
    struct stat st;
    std::string folder = cut == 0 ? "/" : exe.substr(0, cut);
    return stat(folder.c_str(), &st) == 0 && st.st_uid == geteuid() ? "/CURRENTUSER" : "/ALLUSERS";
}

void RemoveStaleUpdateFolders() {
    const std::string root = UpdateDownloadRoot();
    if (root.empty()) return;
    Fd rootFd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (rootFd.get() < 0) return;
    std::vector<std::string> candidates;
    if (DIR* d = opendir(root.c_str())) {
        while (dirent* e = readdir(d)) {
            if (std::strncmp(e->d_name, "Velotap-update-", 15) == 0)
                candidates.emplace_back(e->d_name);
        }
        closedir(d);
    }
    for (const std::string& name : candidates) {
        // Opened without following a link, then judged by what was opened.
        Fd dir(openat(rootFd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st;
        if (dir.get() < 0 || fstat(dir.get(), &st) != 0 || st.st_uid != geteuid()) continue;
        RemovePlainFiles(dir.get());
        unlinkat(rootFd.get(), name.c_str(), AT_REMOVEDIR);
    }
}

}  // namespace velotap
