#pragma once
// The per-user data folder and the executable folder.
#include <optional>
#include <string>

namespace velotap {

// The folder that "Velotap" is placed in: "LOCALAPPDATA" when it is set, non-empty and shorter than
// 260 characters; else the platform's default data root; else "." (the current directory).
std::string DataFolderBase(const std::optional<std::string>& localAppData,
                           const std::optional<std::string>& defaultRoot);

// The data folder, created (with any missing parents) and kept to its owner (MakeOwnerOnly)
// before it is returned: its files hold recorded keystrokes.
std::string GetDataFolder();

// `folder` and everything in it kept to the owner: files that came from an older version or
// another place keep the modes they had until then.
void MakeDataFilesOwnerOnly(const std::string& folder);

// A file in the data folder; creates the folder first.
std::string DataFile(const std::string& name);

// The running executable's folder: its path cut before the last '\' or '/'.
std::string ExecutableFolder();

}  // namespace velotap
