#pragma once
// The platform's modal file dialogs for opening and saving one file. They run on the UI thread
// and return when the user has chosen or cancelled; callers hold no lock meanwhile.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velotap {

struct FileFilter {
    std::string name;     // shown to the user: "Velotap Macro (*.vtpmacro)"
    std::string pattern;  // "*.vtpmacro"; "*.*" matches every file
};

struct FileDialogRequest {
    std::vector<FileFilter> filters;  // the first is selected
    // Appended, after a dot, to a chosen save name that has no extension of its own.
    std::string defaultExtension;
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // A path whose folder exists; an existing file is replaced only after the user agreed.
    // None when the dialog was cancelled.
    virtual std::optional<std::string> Save(const FileDialogRequest& request) = 0;
    // The path of an existing file; none when the dialog was cancelled.
    virtual std::optional<std::string> Open(const FileDialogRequest& request) = 0;
};

// The platform's dialogs. Nothing is shown until a dialog is asked for.
std::unique_ptr<FileDialogs> CreateFileDialogs();

// `path` with "." and `extension` appended when its file name has no extension (no dot after
// the last folder separator other than a leading one); unchanged otherwise or when `extension`
// is empty.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);

}  // namespace velotap
