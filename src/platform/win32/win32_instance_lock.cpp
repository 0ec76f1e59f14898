#include <windows.h>

#include "platform/instance_lock.h"

namespace velotap {

namespace {

class MutexLock final : public InstanceLock {
  public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
    ~MutexLock() override {
        if (mutex_) CloseHandle(mutex_);
    }

  private:
    HANDLE mutex_;
};

}  // namespace

std::unique_ptr<InstanceLock> TryAcquireInstanceLock(const std::string& name, bool& heldElsewhere) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
    heldElsewhere = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
    if (heldElsewhere) {
        CloseHandle(mutex);
        return nullptr;
    }
    return std::make_unique<MutexLock>(mutex);
}

}  // namespace velotap
