// The command pipe's socket on Linux: the runtime folder and the socket are the user's alone, a
// planted link is not followed, a binary replaced under the same path is not trusted, and a server
// that died is replaced by the next one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/command_pipe.h"
#include "platform/runtime_folder.h"
#include "support/pipe_peer.h"

namespace velotap {

namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && st.st_uid == geteuid() ? st.st_mode : 0;
}

}  // namespace

TEST(PipeSecurity, TheSocketIsOursAlone) {
    PipePeerServer server;
    // The peer runs from a folder of its own, so its file can be replaced there.
    TempDir bin;
    const std::string peer = bin.File("pipe_peer");
    fs::copy_file(PipePeerPath(), peer);
    ASSERT_TRUE(server.Start(peer));
    const std::string folder = server.runtime.path() + "/Velotap";
    const std::string socket = folder + "/" + server.name;
    EXPECT_EQ(ModeOf(folder), S_IFDIR | 0700);
    EXPECT_EQ(ModeOf(socket), S_IFSOCK | 0600);

    // Another user reaches neither the socket nor its name (switching users needs root).
    if (geteuid() == 0) {
        const std::vector<std::string> nobody = {"--reuid=65534", "--regid=65534",
                                                 "--clear-groups"};
        auto asNobody = [&](std::vector<std::string> command) {
            std::vector<std::string> args = nobody;
            args.insert(args.end(), command.begin(), command.end());
            return RunProcess("/usr/bin/setpriv", args).exitCode;
        };
        fs::permissions(bin.path(),
                        fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        EXPECT_EQ(asNobody({peer, "rawsend", server.name, "a|1"}), 2);
        const std::string bind =
            "import socket, sys\ntry:\n    socket.socket(socket.AF_UNIX, "
            "socket.SOCK_SEQPACKET).bind('" +
            folder +
            "/taken')\n"
            "except OSError:\n    sys.exit(3)";
        EXPECT_EQ(asNobody({"/usr/bin/python3", "-c", bind}), 3);
    }

    // The file at the server's path is replaced: the new one is another executable, in both
    // directions.
    fs::copy_file(PipePeerPath(), bin.File("fresh"));
    fs::rename(bin.File("fresh"), peer);
    EXPECT_EQ(RunProcess(peer, {"send", server.name, "b|2"}).exitCode, 2);
    EXPECT_EQ(RunProcess(peer, {"rawsend", server.name, "c|3"}).exitCode, 0);
    EXPECT_FALSE(server.Logged("c=3"));

    // A server killed leaves its socket file; the next server replaces it and serves.
    server.Stop();
    EXPECT_EQ(ModeOf(socket), S_IFSOCK | 0600);
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(RunProcess(PipePeerPath(), {"send", server.name, "d|4"}).exitCode, 0);
    EXPECT_TRUE(server.Logged("d=4"));
}

TEST(PipeSecurity, RuntimeFolderIsMadeSafely) {
    PipePeerServer env;  // a private XDG_RUNTIME_DIR
    const std::string folder = env.runtime.path() + "/Velotap";
    struct Case {
        std::string what;
        std::function<void()> plant;
        bool usable;
    };
    TempDir elsewhere;
    const Case cases[] = {
        {"made when missing", [] {}, true},
        {"our own folder left open to others is closed",
         [&] { fs::permissions(folder, fs::perms::all); }, true},
        {"a link planted under the name is not followed",
         [&] {
             fs::remove_all(folder);
             fs::create_directory_symlink(elsewhere.path(), folder);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.plant();
        EXPECT_EQ(RuntimeFolder() == folder, c.usable);
        EXPECT_EQ(CreatePipeServer(env.name) != nullptr, c.usable);
        if (c.usable) {
            EXPECT_EQ(ModeOf(folder), S_IFDIR | 0700);
        }
    }
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

}  // namespace velotap
