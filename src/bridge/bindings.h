#pragma once
// The bound functions of one window, in the order they are bound.
#include <string>
#include <vector>

#include "platform/window_host.h"

namespace velotap {

struct Binding {
    std::string name;
    SyncBinding sync = nullptr;    // set for a synchronous function
    AsyncBinding async = nullptr;  // set for one resolved later from another thread
};

void BindAll(WindowHost& host, const std::vector<Binding>& bindings);

}  // namespace velotap
