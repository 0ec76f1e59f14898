// The command pipe as a SOCK_SEQPACKET Unix socket in the private runtime folder. Both ends check
// the other through the kernel's record of who is connected (SO_PEERCRED): the same user, and a
// process running the very file we run (device and inode as well as the path, so a binary
// replaced under the same name is not trusted by its name).
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/command_pipe.h"
#include "platform/linux/posix_fd.h"
#include "platform/runtime_folder.h"

namespace velotap {

namespace {

struct FileId {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
};

std::optional<FileId> ExecutableOf(const std::string& process) {
    const std::string link = "/proc/" + process + "/exe";
    char buffer[PATH_MAX];
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer);
    struct stat st;
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer) || stat(link.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileId{std::string(buffer, static_cast<size_t>(n)), st.st_dev, st.st_ino};
}

// The process at the other end of `socket` is ours: our user, and our executable file.
bool PeerIsOurs(int socket) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid <= 0 ||
        peer.uid != geteuid()) {
        return false;
    }
    std::optional<FileId> own = ExecutableOf("self");
    std::optional<FileId> theirs = ExecutableOf(std::to_string(peer.pid));
    return own && theirs && own->path == theirs->path && own->device == theirs->device &&
           own->inode == theirs->inode;
}

std::optional<sockaddr_un> SocketAddress(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// Waits until `fd` is readable or the stop descriptor is; false on stop or a failure.
bool WaitReadable(int fd, int stop) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
    for (;;) {
        const int n = poll(fds, 2, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || fds[1].revents) return false;
        return fds[0].revents != 0;
    }
}

class SocketServer final : public PipeServer {
  public:
    SocketServer(Fd lock, Fd listener, Fd stop, std::string path)
        : lock_(std::move(lock)),
          listener_(std::move(listener)),
          stop_(std::move(stop)),
          path_(std::move(path)) {}
    ~SocketServer() override { unlink(path_.c_str()); }

    bool Accept() override {
        if (!WaitReadable(listener_.get(), stop_.get())) return false;
        connection_.Reset(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection_.ok()) return false;
        if (PeerIsOurs(connection_.get())) return true;
        connection_.Reset();
        return false;
    }

    PipeRead Read(std::string& message) override {
        if (!connection_.ok() || !WaitReadable(connection_.get(), stop_.get())) {
            return PipeRead::Closed;
        }
        char buffer[kPipeMessageMax + 1];
        ssize_t n;
        do {
            // MSG_TRUNC gives the message's real length, so a longer one is told apart.
            n = recv(connection_.get(), buffer, sizeof buffer, MSG_TRUNC);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) return PipeRead::Closed;
        if (static_cast<size_t>(n) > kPipeMessageMax) return PipeRead::TooLong;
        message.assign(buffer, static_cast<size_t>(n));
        return PipeRead::Message;
    }

    bool Next() override {
        connection_.Reset();
        pollfd stopped{stop_.get(), POLLIN, 0};
        return poll(&stopped, 1, 0) == 0;
    }

    void Stop() override {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = write(stop_.get(), &one, sizeof one);
    }

  private:
    Fd lock_, listener_, stop_, connection_;
    std::string path_;
};

class SocketClient final : public PipeClient {
  public:
    explicit SocketClient(Fd fd) : fd_(std::move(fd)) {}
    bool Write(std::string_view message) override {
        return send(fd_.get(), message.data(), message.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(message.size());
    }

    // The server reads to the end we mark here, then closes its side.
    void WaitForReader() override {
        shutdown(fd_.get(), SHUT_WR);
        pollfd hangUp{fd_.get(), POLLIN, 0};
        while (poll(&hangUp, 1, -1) < 0 && errno == EINTR) {
        }
    }

  private:
    Fd fd_;
};

}  // namespace

std::unique_ptr<PipeServer> CreatePipeServer(const std::string& name) {
    const std::string folder = RuntimeFolder();
    if (folder.empty()) return nullptr;
    const std::string path = folder + "/" + name;
    std::optional<sockaddr_un> address = SocketAddress(path);
    if (!address) return nullptr;
    // The lock is held as long as the server lives: while another process holds it, that server
    // is alive; once we hold it, a socket file under the name was left by a server that ended.
    Fd lock(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock.ok() || flock(lock.get(), LOCK_EX | LOCK_NB) != 0) return nullptr;
    Fd listener(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!listener.ok()) return nullptr;
    unlink(path.c_str());
    if (bind(listener.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        chmod(path.c_str(), 0600) != 0 || listen(listener.get(), 16) != 0) {
        return nullptr;
    }
    Fd stop(eventfd(0, EFD_CLOEXEC));
    if (!stop.ok()) return nullptr;
    return std::make_unique<SocketServer>(std::move(lock), std::move(listener), std::move(stop),
                                          path);
}

std::unique_ptr<PipeClient> ConnectPipe(const std::string& name) {
    const std::string folder = RuntimeFolder();
    if (folder.empty()) return nullptr;
    std::optional<sockaddr_un> address = SocketAddress(folder + "/" + name);
    if (!address) return nullptr;
    // Non-blocking: a server whose queue is full refuses at once instead of making us wait.
    Fd fd(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.ok() ||
        connect(fd.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        !PeerIsOurs(fd.get())) {
        return nullptr;
    }
    return std::make_unique<SocketClient>(std::move(fd));
}

}  // namespace velotap
