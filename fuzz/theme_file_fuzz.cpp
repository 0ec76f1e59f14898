// The theme file loader: whatever file it is given, it reads it, checks it and gives one verdict
// line, never a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "themes/theme_file.h"

using namespace velotap;

namespace {

std::string ScratchFile() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/velotap-theme-fuzz-" +
           std::to_string(getpid()) + ".vtptheme";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchFile();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::string text;
    ThemeCheck check = LoadThemeFile(path, &text);
    const std::string line = ThemeCheckLine(check);
    if (line.empty() || line.back() != '\n') __builtin_trap();
    if (check.accepted && (check.record.path != path || text.size() != size)) __builtin_trap();
    return 0;
}
