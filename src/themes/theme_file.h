#pragma once
// Loading a theme file from disk: the size is checked before a byte is read.
#include <string>

#include "themes/theme_validate.h"

namespace velotap {

// Loads and validates the file at `path`. On acceptance the record's path is `path` and, when
// `text` is given, it receives the file's whole text.
ThemeCheck LoadThemeFile(const std::string& path, std::string* text = nullptr);

// The console check's one line for a load result ("OK skin ...", "OK colours", "REJECT ...").
std::string ThemeCheckLine(const ThemeCheck& check);

}  // namespace velotap
