#pragma once
// The outcome of a console check: one verdict text and whether the file passed.
#include <string>

namespace velotap {

struct ConsoleVerdict {
    bool pass = false;
    std::string text;  // printed exactly as it stands
};

}  // namespace velotap
