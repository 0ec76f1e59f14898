#pragma once
// A per-user named lock that at most one process holds; released when the holder exits.
#include <memory>
#include <string>

namespace velotap {

class InstanceLock {
  public:
    virtual ~InstanceLock() = default;
};

// Null when another process holds the lock. When the lock cannot be made at all the caller is
// treated as the only instance, so a broken runtime folder never stops the program.
std::unique_ptr<InstanceLock> TryAcquireInstanceLock(const std::string& name, bool& heldElsewhere);

}  // namespace velotap
