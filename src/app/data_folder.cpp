#include "app/data_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/file_replace.h"
#include "platform/process.h"

namespace velotap {

std::string DataFolderBase(const std::optional<std::string>& localAppData,
                           const std::optional<std::string>& defaultRoot) {
    if (localAppData && !localAppData->empty() && localAppData->size() < 260) return *localAppData;
    if (defaultRoot && !defaultRoot->empty()) return *defaultRoot;
    return ".";
}

std::string GetDataFolder() {
    std::filesystem::path folder = std::filesystem::path(DataFolderBase(
                                       EnvironmentVariable("LOCALAPPDATA"), DefaultDataRoot())) /
                                   "Velotap";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    MakeOwnerOnly(folder.string());
    return folder.string();
}

void MakeDataFilesOwnerOnly(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    MakeOwnerOnly(folder);
    // Links are not followed: what they point at is not the program's to change.
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        MakeOwnerOnly(it->path().string());
}

std::string DataFile(const std::string& name) {
    return (std::filesystem::path(GetDataFolder()) / name).string();
}

std::string ExecutableFolder() {
    std::string path = ExecutablePath();
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace velotap
