#pragma once
// A private X server for a whole benchmark program. It must not reset when its last client leaves
// (between benchmarks), and it goes with this process even when the process dies. With
// `realtime` it runs at realtime priority where the system allows, so that a loaded machine delays
// the programs measured rather than the server that delivers their input.
#include <X11/Xlib.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace velotap {

struct BenchXServer {
    pid_t pid = -1;
    bool ok = false;
    Display* keepAlive = nullptr;
    explicit BenchXServer(bool realtime = false) {
        int fds[2];
        if (pipe(fds) != 0) return;
        std::string fd = std::to_string(fds[1]);
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            if (realtime) {
                sched_param param{};
                param.sched_priority = 20;
                sched_setscheduler(0, SCHED_FIFO, &param);
            }
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty()) return;
        setenv("DISPLAY", (":" + number).c_str(), 1);
        keepAlive = XOpenDisplay(nullptr);
        ok = keepAlive != nullptr;
    }
    ~BenchXServer() {
        if (keepAlive) XCloseDisplay(keepAlive);
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

}  // namespace velotap
