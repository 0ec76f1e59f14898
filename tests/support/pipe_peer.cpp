#include "support/pipe_peer.h"

#include <cstdlib>
#include <filesystem>

namespace velotap {

PipePeerServer::PipePeerServer() {
    std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
#ifdef _WIN32
    _putenv_s("XDG_RUNTIME_DIR", runtime.path().c_str());
#else
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
#endif
    name = "VelotapTest" + std::to_string(std::random_device{}());
    log_ = runtime.File("served.log");
}

PipePeerServer::~PipePeerServer() {
    Stop();
}

bool PipePeerServer::Start(const std::string& program) {
    Stop();
    const size_t before = Log().size();
    server_ = StartChildProcess(program, {"serve", name, log_});
    return server_ && WaitFor([&] { return Log().find("ready\n", before) != std::string::npos; },
                              std::chrono::seconds(30));
}

void PipePeerServer::Stop() {
    if (server_) server_->Terminate();
    server_.reset();
}

PipeRecorder::PipeRecorder(const std::string& name) : server_(CreatePipeServer(name)) {
    if (!server_) return;
    thread_ = std::thread([this] {
        ServePipe(*server_, running_, [this](const PipeMessage& m) {
            std::lock_guard lock(mutex_);
            received_.push_back(m.command + "|" + m.value);
        });
    });
}

PipeRecorder::~PipeRecorder() {
    running_.exchange(0);
    if (server_) server_->Stop();
    if (thread_.joinable()) thread_.join();
}

bool PipeRecorder::Deliver(const std::function<void()>& send, const std::string& message) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        send();
        const bool arrived = WaitFor(
            [&] {
                std::lock_guard lock(mutex_);
                return !received_.empty() && received_.back() == message;
            },
            std::chrono::seconds(3));
        if (arrived) return true;
    }
    return false;
}

std::vector<std::string> PipeRecorder::Received() {
    std::lock_guard lock(mutex_);
    return received_;
}

}  // namespace velotap
