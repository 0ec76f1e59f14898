#pragma once
// The "--selftest-update=" console mode: runs the manifest rules over a vectors file (one JSON
// object per line: a "key" line with the test key, then "case" lines) and the fixed allow-list
// checks.
#include <string>

namespace velotap {

struct UpdateSelfTestReport {
    bool pass = false;
    std::string text;  // one "PASS ..." or "FAIL ..." line per check
};

UpdateSelfTestReport RunUpdateSelfTest(const std::string& vectorsPath);

}  // namespace velotap
