#pragma once
// What the page parses must be JSON: checked with a real parser, not the program's own helpers.
#include <nlohmann/json.hpp>

#include <string_view>

// True for a JSON text, and for the empty text that stands for "no value".
inline bool IsJsonOrEmpty(std::string_view text) {
    return text.empty() || nlohmann::json::accept(text);
}
