#pragma once
#include <vector>

#include "app/main_app.h"
#include "bridge/bindings.h"

namespace velotap {

// The main window's bound functions, in binding order.
std::vector<Binding> MainBindings(MainApp& app);

// The two addresses openLink knows; any other key opens nothing.
const char* LinkAddress(const std::string& key);

}  // namespace velotap
