// The update self-test reads a vectors file from the command line: any content gives a report,
// never a crash, and a run without a usable key and case never passes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "update/update_selftest.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/velotap-vectors-fuzz-" +
               std::to_string(getpid()) + ".jsonl";
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    UpdateSelfTestReport report = RunUpdateSelfTest(path);
    if (report.text.empty() || report.text.back() != '\n') __builtin_trap();
    // Case names are the file's own text, so only a line that begins with it is a failure.
    if (report.pass &&
        (report.text.rfind("FAIL ", 0) == 0 || report.text.find("\nFAIL ") != std::string::npos))
        __builtin_trap();
    return 0;
}
