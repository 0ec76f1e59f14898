#pragma once
// Command pipe tests across processes: a private runtime folder for the socket (Linux), a pipe
// name of the test's own (Windows names pipes machine-wide), and the pipe_peer helper
// (tests/helpers/pipe_peer.cpp) as a server in a process of its own that logs what it handled.
// pipe_peer's clients stay until the server has read or refused them, so once one has exited its
// connection's messages are in the log or never will be.
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/file_read.h"
#include "engine/engine_state.h"
#include "ipc/command_pipe.h"
#include "platform/process.h"
#include "support/subprocess.h"
#include "support/wait_for.h"

namespace velotap {

inline std::string PipePeerPath() {
    return VELOTAP_PIPE_PEER_PATH;
}

class PipePeerServer {
  public:
    // Points the runtime folder at a fresh private folder and picks a fresh pipe name.
    PipePeerServer();
    ~PipePeerServer();

    // Starts `program serve NAME LOG`; true once it reports that it serves.
    bool Start(const std::string& program = PipePeerPath());
    void Stop();
    // The messages handled so far, "command=value" per line.
    std::string Log() const { return ReadWholeFile(log_); }
    bool Logged(const std::string& line) const {
        std::string log = "\n", wanted = "\n";
        log += Log();
        wanted += line;
        wanted += '\n';
        return log.find(wanted) != std::string::npos;
    }

    TempDir runtime;
    std::string name;

  private:
    std::string log_;
    std::unique_ptr<ChildProcess> server_;
};

// A server of the pipe `name` in this process, on its own thread, that keeps every message as
// "command|value".
class PipeRecorder {
  public:
    explicit PipeRecorder(const std::string& name);
    ~PipeRecorder();
    bool Serving() const { return server_ != nullptr; }
    // Calls `send` until `message` is the newest message that arrived, at most ten times: a
    // fire-and-forget command may be lost between two connections. Whether it arrived.
    bool Deliver(const std::function<void()>& send, const std::string& message);
    std::vector<std::string> Received();

  private:
    std::unique_ptr<PipeServer> server_;
    std::mutex mutex_;
    std::vector<std::string> received_;
    Flag running_{1};
    std::thread thread_;
};

}  // namespace velotap
