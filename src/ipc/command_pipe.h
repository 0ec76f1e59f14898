#pragma once
// The command pipe: other processes of this program (pop-out panels, the timeline editor) send the
// main process one short "command|value" text per connection, one way and without waiting for an
// answer. The transport and its peer checks are platform/command_pipe.h.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_pipe.h"

namespace velotap {

inline constexpr const char* kPipeName = "TapwireIPC";

struct PipeMessage {
    std::string command;  // the text before the first "|"
    std::string value;    // everything after it, further "|" included
};

// A received message, cut at its first zero byte, split at its first "|"; none without a "|".
std::optional<PipeMessage> SplitPipeMessage(std::string_view received);

// Sends command + "|" + value to the main process's server of `name`. When no server of ours is
// there, or it is busy, the command is lost: there is no retry and no wait.
void SendPipeCommand(const std::string& command, const std::string& value,
                     const std::string& name = kPipeName);

// Serves one connection after another until the server is stopped or `running` clears: each
// message of a peer goes to `handle`; a message without "|" is skipped and the connection stays
// open; a message too long for the pipe ends its connection unhandled.
void ServePipe(PipeServer& server, const std::atomic<uint8_t>& running,
               const std::function<void(const PipeMessage&)>& handle);

// One command the main process acts on.
struct PipeCommand {
    std::string name;
    std::function<void(const std::string& value)> run;
};

// The first command whose name equals the message's command exactly runs; an unknown one is
// ignored.
void DispatchPipeMessage(const std::vector<PipeCommand>& commands, const PipeMessage& message);

// The sequence a "timelineAck" carries: 1 to 10 decimal digits that fit in 32 bits; none else.
std::optional<uint32_t> TimelineAckSequence(std::string_view value);

}  // namespace velotap
