#pragma once
// One owned file descriptor, closed when it goes.
#include <unistd.h>

#include <utility>

namespace velotap {

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }
    int Release() { return std::exchange(fd_, -1); }
    // Closes now so that a failing close (a late write error on some file systems) is seen.
    bool Close() { return close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_;
};

}  // namespace velotap
