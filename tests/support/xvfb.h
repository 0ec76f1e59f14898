#pragma once
// A private headless X server for tests of the linux backend; DISPLAY points at it while the
// object lives.
#include <string>

namespace velotap {

class PrivateXServer {
  public:
    PrivateXServer(int width = 1280, int height = 1024);
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    bool ok() const { return !display_.empty(); }
    const std::string& display() const { return display_; }

  private:
    int pid_ = -1;
    std::string display_;
};

}  // namespace velotap
