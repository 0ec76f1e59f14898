#include "platform/update_files.h"

#include <cctype>

namespace velotap {

namespace {

std::string NormaliseFolder(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    for (char& c : path)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

}  // namespace

std::string ChooseInstallScope(const std::string& programFolder, const InstallRecord& currentUser,
                               const InstallRecord& localMachine) {
    const std::string folder = NormaliseFolder(programFolder);
    const std::string user = NormaliseFolder(currentUser.location);
    const std::string machine = NormaliseFolder(localMachine.location);
    if (!user.empty() && user == folder) return "/CURRENTUSER";
    if (!machine.empty() && machine == folder) return "/ALLUSERS";
    if (currentUser.keyExists && !localMachine.keyExists) return "/CURRENTUSER";
    return "/ALLUSERS";
}

}  // namespace velotap
