#pragma once
// The page is handed to the web view as one HTML text, so the scripts it loads from files are
// inlined first.
#include <functional>
#include <optional>
#include <string>

namespace velotap {

constexpr size_t kInlinedPageLimit = 2097152;

// Reads a file of the "ui" folder by its name as written in the page ("vendor/Sortable.min.js");
// none when it cannot be opened.
using UiFileReader = std::function<std::optional<std::string>(const std::string& name)>;

// Replaces the first tag of each inlinable script by the script's text, unless the file is
// missing, holds "</script>", or the page would grow past the limit. Then the page's own modules
// are inlined under the same rules: the first <link rel="stylesheet" href="NAME"> and
// <script src="NAME"></script> of each other name inside the ui folder.
std::string AssemblePage(std::string html, const UiFileReader& readUiFile);

// Reads ui files from the "ui" folder of `executableFolder`.
UiFileReader UiFolderReader(const std::string& executableFolder);

}  // namespace velotap
