#include "ipc/command_pipe.h"

namespace velotap {

std::optional<PipeMessage> SplitPipeMessage(std::string_view received) {
    received = received.substr(0, received.find('\0'));
    const size_t bar = received.find('|');
    if (bar == std::string_view::npos) return std::nullopt;
    return PipeMessage{std::string(received.substr(0, bar)), std::string(received.substr(bar + 1))};
}

void SendPipeCommand(const std::string& command, const std::string& value,
                     const std::string& name) {
    if (std::unique_ptr<PipeClient> client = ConnectPipe(name))
        client->Write(command + "|" + value);
}

void ServePipe(PipeServer& server, const std::atomic<uint8_t>& running,
               const std::function<void(const PipeMessage&)>& handle) {
    while (running.load()) {
        if (server.Accept()) {
            std::string received;
            while (server.Read(received) == PipeRead::Message) {
                if (std::optional<PipeMessage> message = SplitPipeMessage(received)) {
                    handle(*message);
                }
            }
        }
        if (!running.load() || !server.Next()) break;
    }
}

void DispatchPipeMessage(const std::vector<PipeCommand>& commands, const PipeMessage& message) {
    for (const PipeCommand& command : commands) {
        if (command.name == message.command) {
            command.run(message.value);
            return;
        }
    }
}

std::optional<uint32_t> TimelineAckSequence(std::string_view value) {
    if (value.empty() || value.size() > 10) return std::nullopt;
    uint64_t sequence = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        sequence = sequence * 10 + static_cast<uint64_t>(c - '0');
    }
    if (sequence > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(sequence);
}

}  // namespace velotap
