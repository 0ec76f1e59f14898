// The command pipe between real processes, on the platform's own transport.
#include <gtest/gtest.h>

#include <filesystem>

#include "ipc/command_pipe.h"
#include "support/pipe_peer.h"

namespace velotap {

TEST(PipeTransport, ServesPeersOfOurExecutableOnly) {
    PipePeerServer server;
    ASSERT_TRUE(server.Start());
    // The same program in another folder is another executable.
    TempDir other;
    const std::string copy = other.File(std::filesystem::path(PipePeerPath()).filename().string());
    std::filesystem::copy_file(PipePeerPath(), copy);
    const std::string peer = PipePeerPath();
    const std::string longest = "c|" + std::string(509, 'x'),
                      tooLong = "d|" + std::string(510, 'x');

    struct Case {
        std::string what, program;
        std::vector<std::string> args;
        int exitCode;
        std::vector<std::string> handled, lost;
    };
    const Case cases[] = {
        {"a message without | is skipped and the connection stays open",
         peer,
         {"send", server.name, "a|1", "nobar", "b|2|3", "|empty command"},
         0,
         {"a=1", "b=2|3", "=empty command"},
         {"nobar"}},
        {"511 bytes is a message; 512 ends the connection unhandled",
         peer,
         {"send", server.name, longest, tooLong, "e|5"},
         0,
         {"c=" + std::string(509, 'x')},
         {"d=" + std::string(510, 'x'), "e=5"}},
        {"a client of another executable does not write to our server",
         copy,
         {"send", server.name, "f|6"},
         2,
         {},
         {"f=6"}},
        {"our server does not read another executable that writes regardless",
         copy,
         {"rawsend", server.name, "g|7"},
         0,
         {},
         {"g=7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RunProcess(c.program, c.args).exitCode, c.exitCode);
        for (const std::string& line : c.handled)
            EXPECT_TRUE(server.Logged(line)) << line;
        for (const std::string& line : c.lost)
            EXPECT_FALSE(server.Logged(line)) << line;
    }

    // While it serves, no second server takes the name, in another process or in this one.
    EXPECT_EQ(RunProcess(peer, {"serve", server.name, other.File("second.log")}).exitCode, 1);
    EXPECT_EQ(CreatePipeServer(server.name), nullptr);
    // Without a server a command is simply lost.
    server.Stop();
    EXPECT_EQ(RunProcess(peer, {"send", server.name, "h|8"}).exitCode, 2);
}

}  // namespace velotap
