#pragma once
#include <optional>
#include <string>

namespace velotap {

// The XDG autostart entry that starts `executable` at log-in; none when the path cannot be
// written into an Exec line (it holds a line break).
std::optional<std::string> AutostartDesktopEntry(const std::string& executable);

}  // namespace velotap
