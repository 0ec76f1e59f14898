#pragma once
// Process-level facts and first steps that differ per operating system.
#include <optional>
#include <string>
#include <vector>

namespace velotap {

// Holds what every role sets up before choosing its role and undoes at exit (on Windows: the DLL
// search path, COM on this thread, DPI awareness). Nothing to do on Linux.
class ProcessScope {
  public:
    ProcessScope();
    ~ProcessScope();
    ProcessScope(const ProcessScope&) = delete;
    ProcessScope& operator=(const ProcessScope&) = delete;

  private:
    [[maybe_unused]] bool comInitialised_ = false;
};

// Arguments after the program name, each reduced to 8-bit text (Windows keeps the low byte of
// every UTF-16 unit). Empty when the command line cannot be split.
std::vector<std::string> CommandLineArgs(int argc, char** argv);

// The command line after the program name as one text (Windows: as the system passes it to a
// GUI program; Linux: the arguments joined with single blanks).
std::string RawCommandLine(int argc, char** argv);

// Makes sure standard output reaches the console that started us (Windows GUI programs have none).
void EnsureConsoleOutput();

// Full path of the running executable; empty when it cannot be read.
std::string ExecutablePath();

std::optional<std::string> EnvironmentVariable(const char* name);
void UnsetEnvironmentVariable(const char* name);

// Where per-user data lives when "LOCALAPPDATA" gives no usable folder: Linux answers the XDG data
// home; Windows has no second choice (the caller then uses the current directory).
std::optional<std::string> DefaultDataRoot();

}  // namespace velotap
