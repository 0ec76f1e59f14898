// Single instance through flock on a file in the per-user runtime folder.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/instance_lock.h"
#include "platform/runtime_folder.h"

namespace velotap {

namespace {

class FlockLock final : public InstanceLock {
  public:
    explicit FlockLock(int fd) : fd_(fd) {}
    ~FlockLock() override { close(fd_); }

  private:
    int fd_;
};

class NoLock final : public InstanceLock {};

}  // namespace

std::unique_ptr<InstanceLock> TryAcquireInstanceLock(const std::string& name, bool& heldElsewhere) {
    heldElsewhere = false;
    std::string folder = RuntimeFolder();
    if (folder.empty()) return std::make_unique<NoLock>();
    std::string file;
    for (char c : name)
        file += (c == '/' || c == '\\') ? '_' : c;
    std::string path = folder + "/" + file + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return std::make_unique<NoLock>();
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool busy = errno == EWOULDBLOCK;
        close(fd);
        if (busy) {
            heldElsewhere = true;
            return nullptr;
        }
        return std::make_unique<NoLock>();
    }
    return std::make_unique<FlockLock>(fd);
}

}  // namespace velotap
