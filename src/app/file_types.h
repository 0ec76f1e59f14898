#pragma once
#include <functional>
#include <string>

namespace velotap {

inline constexpr const char* kOpenerMissingAlert =
    "Couldn't set up file associations: VelotapOpener.exe wasn't found next to this app - "
    "reinstalling should fix that.";

// The start-up check: nothing happens while both types are in order; otherwise they are
// registered to the opener beside the program, and a problem becomes `setAlert`'s message.
void CheckFileTypes(const std::string& executableFolder,
                    const std::function<void(std::string)>& setAlert);

}  // namespace velotap
