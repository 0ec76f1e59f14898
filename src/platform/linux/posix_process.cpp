#include "platform/process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

extern char** environ;

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

void SetEnvironmentValue(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

std::optional<std::string> DefaultDataRoot() {
    if (auto xdg = EnvironmentVariable("XDG_DATA_HOME"); xdg && !xdg->empty()) return xdg;
    if (auto home = EnvironmentVariable("HOME"); home && !home->empty()) {
        return *home + "/.local/share";
    }
    return std::nullopt;
}

namespace {

class PosixChild final : public ChildProcess {
  public:
    explicit PosixChild(pid_t pid) : pid_(pid) {}

    uint32_t Id() const override { return static_cast<uint32_t>(pid_); }

    bool Running() override {
        if (reaped_) return false;
        pid_t r;
        do {
            r = waitpid(pid_, nullptr, WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == 0) return true;
        reaped_ = true;
        return false;
    }

    void Terminate() override {
        if (reaped_) return;
        kill(pid_, SIGKILL);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }

  private:
    pid_t pid_;
    bool reaped_ = false;
};

}  // namespace

std::unique_ptr<ChildProcess> StartChildProcess(const std::string& executable,
                                                const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // No descriptor of ours reaches the child, and it starts with no signal blocked or ignored
    // whatever this thread had.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int failed =
        posix_spawn(&pid, executable.c_str(), &files, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    if (failed) return nullptr;
    return std::make_unique<PosixChild>(pid);
}

}  // namespace velotap
