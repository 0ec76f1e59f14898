#pragma once
#include <string>

namespace velotap {

// Moves data files of older installations into the data folder and returns the session file path
// to use: "session.dat" in the data folder, or an older session file left where it is when it
// could not be moved. Every failure is ignored.
std::string MigrateDataFiles(const std::string& dataFolder, const std::string& executableFolder);

// The part every window role does: "theme.txt" and "appsettings.txt" move from the executable
// folder into the data folder where the data folder has none.
void MigrateThemeAndSettings(const std::string& dataFolder, const std::string& executableFolder);

}  // namespace velotap
