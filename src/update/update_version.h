#pragma once
// Update version texts: MAJOR.MINOR.PATCH with an optional "-beta.N", each number 1 to 5 digits.
#include <cstdint>
#include <string_view>

namespace velotap {

struct UpdateVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t patch = 0;
    bool isBeta = false;
    uint32_t betaNumber = 0;
    bool valid = false;
};

UpdateVersion ParseUpdateVersion(std::string_view text);

// Release order: numbers first; at equal numbers a release is newer than a beta, betas go by their
// number, and equal versions are not newer.
bool IsNewerVersion(const UpdateVersion& a, const UpdateVersion& b);

}  // namespace velotap
