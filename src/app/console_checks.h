#pragma once
// The console check modes: each validates one file and gives one verdict text.
#include <string>

#include "app/roles.h"
#include "base/console_verdict.h"

namespace velotap {

ConsoleVerdict RunConsoleCheck(const ConsoleChoice& choice);

}  // namespace velotap
