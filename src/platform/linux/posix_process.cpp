#include "platform/process.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace velotap {

ProcessScope::ProcessScope() = default;
ProcessScope::~ProcessScope() = default;

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

std::string RawCommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

void EnsureConsoleOutput() {}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::optional<std::string> EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

void UnsetEnvironmentVariable(const char* name) {
    unsetenv(name);
}

std::optional<std::string> DefaultDataRoot() {
    if (auto xdg = EnvironmentVariable("XDG_DATA_HOME"); xdg && !xdg->empty()) return xdg;
    if (auto home = EnvironmentVariable("HOME"); home && !home->empty()) {
        return *home + "/.local/share";
    }
    return std::nullopt;
}

}  // namespace velotap
