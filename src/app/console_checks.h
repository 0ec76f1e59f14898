#pragma once
// The console check modes: each validates one file and gives one verdict text.
#include <string>

#include "app/roles.h"

struct ConsoleVerdict {
    bool pass = false;
    std::string text;  // printed exactly as it stands
};

ConsoleVerdict RunConsoleCheck(const ConsoleChoice& choice);
