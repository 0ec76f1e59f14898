#pragma once
// The command pipe's transport between processes of this program: short messages whose boundaries
// are kept, between peers that run this very executable file, checked in both directions.
// win32: the named pipe "\\.\pipe\NAME" in message mode, one instance at a time; linux: a
// SOCK_SEQPACKET Unix socket NAME in the program's private runtime folder.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace velotap {

inline constexpr size_t kPipeMessageMax = 511;

enum class PipeRead { Message, Closed, TooLong };

// One server thread uses it; only Stop may be called from another thread.
class PipeServer {
  public:
    virtual ~PipeServer() = default;
    // Waits for the next client. True when a peer running this executable is connected; false when
    // stopped, when connecting failed, or for a foreign peer (left unread).
    virtual bool Accept() = 0;
    // The connected peer's next message, at most kPipeMessageMax bytes. A longer one is TooLong;
    // Closed when the peer closed its end or the server was stopped.
    virtual PipeRead Read(std::string& message) = 0;
    // Ends the current connection and readies the next one. False when the server was stopped or
    // cannot go on.
    virtual bool Next() = 0;
    // Ends a wait of Accept or Read at once, and every later one.
    virtual void Stop() = 0;
};

// The server of `name`, which takes the name only as its first holder. Null when another live
// server holds the name or the server cannot be made.
std::unique_ptr<PipeServer> CreatePipeServer(const std::string& name);

// A connection to the server of `name`.
class PipeClient {
  public:
    virtual ~PipeClient() = default;
    // Writes one whole message; false when it could not be written at once.
    virtual bool Write(std::string_view message) = 0;
    // Ends the writing and waits until the server has read everything or hung up. The server
    // checks a client while it runs, so a client that must not lose its last message before it
    // exits waits here; commands themselves never wait.
    virtual void WaitForReader() = 0;
};

// Connects to the server of `name` and checks that it runs this executable. Null when there is no
// server, it is busy, or it is not ours: no retry and no wait.
std::unique_ptr<PipeClient> ConnectPipe(const std::string& name);

}  // namespace velotap
