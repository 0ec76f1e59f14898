#pragma once
#include <string>

#include "app/roles.h"

namespace velotap {

// Runs a window role to its end and returns the process exit code.
int RunWindowRole(const WindowChoice& choice, const std::string& updateManifest, int argc,
                  char** argv);

}  // namespace velotap
