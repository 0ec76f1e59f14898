#pragma once
// Test helpers: run a program and capture its standard output; throw-away folders.
#include <string>
#include <utility>
#include <vector>

#include "base/file_read.h"

namespace velotap {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
};

// Runs `program` with `args` (each passed as one argument) and `env` additions (NAME=value), waits
// for it and returns its exit code and standard output.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env = {});

#ifdef _WIN32
// As RunProcess, with the command line as it stands (the program's quoted path first), as the
// program starts its own windows.
ProcessResult RunCommandLine(std::string line,
                             const std::vector<std::pair<std::string, std::string>>& env = {});
#endif

// Standard output is a text stream: on Windows each "\n" reaches the pipe as "\r\n". This gives
// the text as the program printed it.
std::string ConsoleText(const std::string& out);

// The VelotapApp built next to the tests.
inline std::string AppPath() {
    return VELOTAP_APP_PATH;
}

// A fresh empty folder, removed with its contents when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const;
    // Writes `bytes` to the named file and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;

  private:
    std::string path_;
};

}  // namespace velotap
