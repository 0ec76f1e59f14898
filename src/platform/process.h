#pragma once
// Process-level facts and first steps that differ per operating system.
#include <cstdint>
#include <memory>
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
void SetEnvironmentValue(const char* name, const std::string& value);

// Where per-user data lives when "LOCALAPPDATA" gives no usable folder: Linux answers the XDG data
// home; Windows has no second choice (the caller then uses the current directory).
std::optional<std::string> DefaultDataRoot();

// A process this one started. Dropping the object neither ends the process nor waits for it.
class ChildProcess {
  public:
    virtual ~ChildProcess() = default;
    virtual uint32_t Id() const = 0;
    // True while it runs; once it has ended the system's record of it is released (no zombie).
    virtual bool Running() = 0;
    // Ends it at once (exit code 0 on Windows) and releases its record.
    virtual void Terminate() = 0;
};

// Starts `executable` with `arguments`, inheriting no handles. On Windows the command line is the
// quoted path followed by the arguments joined with blanks and not quoted, so the child reads its
// raw command line (RawCommandLine) as the same text on both systems. Null when it cannot start.
std::unique_ptr<ChildProcess> StartChildProcess(const std::string& executable,
                                                const std::vector<std::string>& arguments);

}  // namespace velotap
