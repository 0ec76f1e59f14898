#include "platform/file_dialog.h"

namespace velotap {

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
    std::string result(path);
    if (extension.empty()) return result;
    const size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // A dot that starts the name marks a hidden file, not an extension.
    const size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) return result;
    result += '.';
    result += extension;
    return result;
}

}  // namespace velotap
