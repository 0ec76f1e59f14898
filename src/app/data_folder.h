#pragma once
// The per-user data folder and the executable folder.
#include <optional>
#include <string>

namespace velotap {

// The folder that "Velotap" is placed in: "LOCALAPPDATA" when it is set, non-empty and shorter than
// 260 characters; else the platform's default data root; else "." (the current directory).
std::string DataFolderBase(const std::optional<std::string>& localAppData,
                           const std::optional<std::string>& defaultRoot);

// The data folder, created (with any missing parents) before it is returned.
std::string GetDataFolder();

// A file in the data folder; creates the folder first.
std::string DataFile(const std::string& name);

// The running executable's folder: its path cut before the last '\' or '/'.
std::string ExecutableFolder();

}  // namespace velotap
