#include "window/page_assembly.h"

#include <filesystem>

#include "base/file_read.h"

namespace velotap {

std::string AssemblePage(std::string html, const UiFileReader& readUiFile) {
    static const char* const kInlinable[] = {"vendor/Sortable.min.js", "timeline.js"};
    for (const char* name : kInlinable) {
        const std::string tag = std::string("<script src=\"") + name + "\"></script>";
        size_t at = html.find(tag);
        if (at == std::string::npos) continue;
        std::optional<std::string> script = readUiFile(name);
        if (!script || script->find("</script>") != std::string::npos) continue;
        if (html.size() - tag.size() + 17 + script->size() > kInlinedPageLimit) continue;
        html.replace(at, tag.size(), "<script>" + *script + "</script>");
    }
    return html;
}

UiFileReader UiFolderReader(const std::string& executableFolder) {
    return [executableFolder](const std::string& name) -> std::optional<std::string> {
        std::filesystem::path path = std::filesystem::path(executableFolder) / "ui" / name;
        std::string text;
        if (ReadWholeFile(path.make_preferred().string(), text) != FileReadStatus::Ok) {
            return std::nullopt;
        }
        return text;
    };
}

}  // namespace velotap
