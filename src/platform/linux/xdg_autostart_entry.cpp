#include "platform/linux/xdg_autostart_entry.h"

namespace velotap {

std::optional<std::string> AutostartDesktopEntry(const std::string& executable) {
    // Exec quoting escapes " ` $ \ with a backslash, and the key file layer doubles every
    // backslash again; % is the field-code character.
    std::string quoted = "\"";
    for (char c : executable) {
        if (c == '\n' || c == '\r') return std::nullopt;
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
            quoted += c;
        } else if (c == '\\') {
            quoted += "\\\\\\\\";
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return "[Desktop Entry]\nType=Application\nName=Velotap\nComment=Start Velotap at log-in\n"
           "Exec=" +
           quoted + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

}  // namespace velotap
