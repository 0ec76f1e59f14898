#pragma once
// One validated theme. It holds no image or font data: the skin is read from the file again when
// the page asks for it.
#include <string>

namespace velotap {

struct ThemeRecord {
    std::string name;
    std::string bgMain;
    std::string bgPanel;
    std::string bgHeader;
    std::string accent;
    std::string accentHover;
    std::string text;
    std::string font;
    bool hasSkin = false;
    std::string path;  // empty when only text was validated
};

}  // namespace velotap
