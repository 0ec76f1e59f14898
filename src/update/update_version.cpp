#include "update/update_version.h"

namespace velotap {

namespace {

// 1 to 5 decimal digits, nothing else.
bool ReadNumber(std::string_view part, uint32_t& out) {
    if (part.empty() || part.size() > 5) return false;
    uint32_t value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    out = value;
    return true;
}

}  // namespace

UpdateVersion ParseUpdateVersion(std::string_view text) {
    UpdateVersion v;
    size_t dot1 = text.find('.');
    if (dot1 == std::string_view::npos) return {};
    size_t dot2 = text.find('.', dot1 + 1);
    if (dot2 == std::string_view::npos) return {};
    size_t dash = text.find('-', dot2 + 1);
    std::string_view patch = text.substr(
        dot2 + 1, dash == std::string_view::npos ? std::string_view::npos : dash - dot2 - 1);
    if (!ReadNumber(text.substr(0, dot1), v.major) ||
        !ReadNumber(text.substr(dot1 + 1, dot2 - dot1 - 1), v.minor) ||
        !ReadNumber(patch, v.patch)) {
        return {};
    }
    if (dash != std::string_view::npos) {
        std::string_view suffix = text.substr(dash + 1);
        if (suffix.substr(0, 5) != "beta." || !ReadNumber(suffix.substr(5), v.betaNumber)) {
            return {};
        }
        v.isBeta = true;
    }
    v.valid = true;
    return v;
}

bool IsNewerVersion(const UpdateVersion& a, const UpdateVersion& b) {
    if (a.major != b.major) return a.major > b.major;
    if (a.minor != b.minor) return a.minor > b.minor;
    if (a.patch != b.patch) return a.patch > b.patch;
    if (a.isBeta != b.isBeta) return !a.isBeta;
    return a.isBeta && a.betaNumber > b.betaNumber;
}

}  // namespace velotap
