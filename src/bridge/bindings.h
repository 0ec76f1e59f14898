#pragma once
// The bound functions of one window, in the order they are bound.
#include <string>
#include <vector>

#include "bridge/page_bridge.h"

namespace velotap {

struct Binding {
    std::string name;
    SyncBinding sync = nullptr;    // set for a synchronous function
    AsyncBinding async = nullptr;  // set for one resolved later from another thread
};

// Binds each in order; the names refused because they were bound already (none when all bound).
std::vector<std::string> BindAll(PageBridge& bridge, const std::vector<Binding>& bindings);

}  // namespace velotap
