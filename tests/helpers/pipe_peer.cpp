// A small program on both ends of the command pipe, for tests that need peers in other processes:
//   pipe_peer serve NAME LOG      serves NAME; appends "ready" (or "unavailable", exit 1) and then
//                                 each handled message as a line "command=value" to LOG
//   pipe_peer send NAME MSG...    connects once, checks the server, writes each MSG and stays
//                                 until the server has read them (exit 0); exit 2 when no
//                                 server of ours could be reached
//   pipe_peer rawsend NAME MSG... the same without looking at who the server is (exit 0, or 2
//                                 when it cannot connect at all)
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "ipc/command_pipe.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/runtime_folder.h"
#endif

namespace {

void Log(const std::string& path, const std::string& line) {
    if (FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

int Serve(const std::string& name, const std::string& log) {
    std::unique_ptr<velotap::PipeServer> server = velotap::CreatePipeServer(name);
    if (!server) {
        Log(log, "unavailable");
        return 1;
    }
    Log(log, "ready");
    std::atomic<uint8_t> running{1};
    velotap::ServePipe(*server, running, [&log](const velotap::PipeMessage& m) {
        Log(log, m.command + "=" + m.value);
    });
    return 0;
}

// Writes straight to the transport, as a program that is not ours would.
int RawSend(const std::string& name, int count, char** messages) {
#ifdef _WIN32
    const std::string path = "\\\\.\\pipe\\" + name;
    HANDLE pipe = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return 2;
    for (int i = 0; i < count; ++i) {
        DWORD written = 0;
        WriteFile(pipe, messages[i], static_cast<DWORD>(std::strlen(messages[i])), &written,
                  nullptr);
    }
    FlushFileBuffers(pipe);  // alive until the server read or refused us
    CloseHandle(pipe);
#else
    const std::string path = velotap::RuntimeFolder() + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 2;
    for (int i = 0; i < count; ++i)
        send(fd, messages[i], std::strlen(messages[i]), MSG_NOSIGNAL);
    shutdown(fd, SHUT_WR);  // alive until the server read or refused us
    pollfd hangUp{fd, POLLIN, 0};
    poll(&hangUp, 1, -1);
    close(fd);
#endif
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 64;
    const std::string mode = argv[1], name = argv[2];
    if (mode == "serve" && argc == 4) return Serve(name, argv[3]);
    if (mode == "rawsend") return RawSend(name, argc - 3, argv + 3);
    if (mode != "send") return 64;
    std::unique_ptr<velotap::PipeClient> client = velotap::ConnectPipe(name);
    if (!client) return 2;
    for (int i = 3; i < argc; ++i)
        client->Write(argv[i]);
    // The server checks who we are while we run: leaving at once could lose the messages.
    client->WaitForReader();
    return 0;
}
