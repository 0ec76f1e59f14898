#include <windows.h>
#include <commdlg.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/file_dialog.h"

namespace velotap {

namespace {

// The common dialogs' filter: name and pattern of each pair, each ended by a NUL, and a final NUL.
std::string FilterText(const FileDialogRequest& request) {
    std::string text;
    for (const FileFilter& f : request.filters) {
        text.append(f.name).push_back('\0');
        text.append(f.pattern).push_back('\0');
    }
    text.push_back('\0');
    return text;
}

// The open dialog changes the process's current folder as the user browses; a data folder
// relative to it would move with it, so it is put back.
class CurrentFolderKeeper {
  public:
    CurrentFolderKeeper() { saved_ = std::filesystem::current_path(ec_); }
    ~CurrentFolderKeeper() {
        if (!ec_) std::filesystem::current_path(saved_, ec_);
    }
    CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
    CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

  private:
    std::error_code ec_;
    std::filesystem::path saved_;
};

std::optional<std::string> Run(const FileDialogRequest& request, bool save) {
    const std::string filter = FilterText(request);
    char path[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    ofn.Flags =
        save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    CurrentFolderKeeper keeper;
    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen) return std::nullopt;
    return std::string(path);
}

class CommonFileDialogs final : public FileDialogs {
  public:
    std::optional<std::string> Save(const FileDialogRequest& request) override {
        return Run(request, true);
    }
    std::optional<std::string> Open(const FileDialogRequest& request) override {
        return Run(request, false);
    }
};

}  // namespace

std::unique_ptr<FileDialogs> CreateFileDialogs() {
    return std::make_unique<CommonFileDialogs>();
}

}  // namespace velotap
