#include "app/file_types.h"

#include <filesystem>
#include <system_error>

#include "platform/file_types.h"

namespace velotap {

void CheckFileTypes(const std::string& executableFolder,
                    const std::function<void(std::string)>& setAlert) {
    const std::string opener =
        (std::filesystem::path(executableFolder) / OpenerFileName()).string();
    if (FileTypesInOrder(opener)) return;
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(opener, ignored)) {
        setAlert(kOpenerMissingAlert);
        return;
    }
    std::string error = RegisterFileTypes(opener);
    if (!error.empty()) setAlert("Couldn't set up file associations: " + error);
}

}  // namespace velotap
