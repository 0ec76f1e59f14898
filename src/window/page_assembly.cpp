#include "window/page_assembly.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "base/file_read.h"

namespace velotap {

namespace {

constexpr const char* kInlinable[] = {"vendor/Sortable.min.js", "timeline.js"};

// One tag of the page as written, and what replaces it.
struct Tag {
    size_t at = 0;
    size_t size = 0;
    std::string replacement;
};

struct TagForm {
    const char* open;  // text before the file name
    const char* close;
    const char* start;  // the inlined element
    const char* end;
};
constexpr TagForm kScript{"<script src=\"", "\"></script>", "<script>", "</script>"};
constexpr TagForm kStyle{"<link rel=\"stylesheet\" href=\"", "\">", "<style>", "</style>"};

// A page module's name: a relative path inside the ui folder, nothing that could leave it.
bool IsModuleName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.find("..") != std::string::npos) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '-' || c == '/';
    });
}

// Decides one tag: inlined when the file reads, does not hold the element's end tag, and the page
// (of `pageSize` so far) stays within the limit.
bool Inline(Tag& tag, const TagForm& form, const std::string& name, size_t& pageSize,
            const UiFileReader& readUiFile) {
    std::optional<std::string> text = readUiFile(name);
    if (!text || text->find(form.end) != std::string::npos) return false;
    if (pageSize - tag.size + 17 + text->size() > kInlinedPageLimit) return false;
    tag.replacement = form.start + *text + form.end;
    pageSize += tag.replacement.size() - tag.size;
    return true;
}

// The page's own stylesheets and scripts: the first tag of each name, in document order.
void FindModules(const std::string& html, const TagForm& form, std::vector<Tag>& found,
                 std::vector<std::string>& names) {
    std::set<std::string> seen(std::begin(kInlinable), std::end(kInlinable));
    const std::string open = form.open, close = form.close;
    for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
        const size_t nameAt = at + open.size();
        const size_t nameEnd = html.find(close, nameAt);
        if (nameEnd == std::string::npos) break;
        std::string name = html.substr(nameAt, nameEnd - nameAt);
        if (!IsModuleName(name) || !seen.insert(name).second) continue;
        found.push_back({at, nameEnd + close.size() - at, {}});
        names.push_back(std::move(name));
    }
}

}  // namespace

std::string AssemblePage(std::string html, const UiFileReader& readUiFile) {
    // Tags are found in the page as written, so nothing inside an inlined file is ever taken for
    // a tag; the listed scripts are decided first, in list order, then the page's own modules.
    std::vector<Tag> chosen;
    size_t pageSize = html.size();
    for (const char* name : kInlinable) {
        const std::string tag = std::string(kScript.open) + name + kScript.close;
        const size_t at = html.find(tag);
        if (at == std::string::npos) continue;
        Tag t{at, tag.size(), {}};
        if (Inline(t, kScript, name, pageSize, readUiFile)) chosen.push_back(std::move(t));
    }
    for (const TagForm* form : {&kStyle, &kScript}) {
        std::vector<Tag> found;
        std::vector<std::string> names;
        FindModules(html, *form, found, names);
        for (size_t i = 0; i < found.size(); ++i) {
            if (Inline(found[i], *form, names[i], pageSize, readUiFile)) {
                chosen.push_back(std::move(found[i]));
            }
        }
    }
    std::sort(chosen.begin(), chosen.end(), [](const Tag& a, const Tag& b) { return a.at > b.at; });
    for (const Tag& tag : chosen)
        html.replace(tag.at, tag.size, tag.replacement);
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
