// The command pipe as the message-mode named pipe "\\.\pipe\NAME": inbound, overlapped, one
// instance served at a time, open to the local system, the administrators and our own user (and,
// when we run at high integrity, closed to writers of lower integrity). Both ends check that the
// other runs our own image.
#include <windows.h>
#include <sddl.h>

#include "platform/command_pipe.h"

namespace velotap {

namespace {

constexpr DWORD kPipeMode = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_REJECT_REMOTE_CLIENTS;
constexpr DWORD kBufferBytes = 512;

class Handle {
  public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void Reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }

  private:
    HANDLE h_;
};

std::wstring PipePath(const std::string& name) {
    std::wstring path = L"\\\\.\\pipe\\";
    for (char c : name)
        path += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

// True when process `pid` runs the image we run (paths compared without regard to case).
bool PeerIsOurs(ULONG pid) {
    wchar_t own[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    Handle peer(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!peer) return false;
    wchar_t theirs[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameW(peer.get(), 0, theirs, &size)) return false;
    return CompareStringOrdinal(own, static_cast<int>(n), theirs, static_cast<int>(size), TRUE) ==
           CSTR_EQUAL;
}

template <typename T>
bool TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, std::string& buffer, T*& value) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    if (size == 0) return false;
    buffer.assign(size, '\0');
    if (!GetTokenInformation(token, kind, buffer.data(), size, &size)) return false;
    value = reinterpret_cast<T*>(buffer.data());
    return true;
}

// Full access for the system, the administrators and our user; no write-up from below when we
// run at high integrity. Null when it cannot be built.
PSECURITY_DESCRIPTOR BuildSecurityDescriptor() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return nullptr;
    Handle token(raw);
    std::string userBuffer, labelBuffer;
    TOKEN_USER* user = nullptr;
    if (!TokenInformation(token.get(), TokenUser, userBuffer, user)) return nullptr;
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(user->User.Sid, &sid)) return nullptr;
    std::wstring text = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;";
    text += sid;
    text += L")";
    LocalFree(sid);
    TOKEN_MANDATORY_LABEL* label = nullptr;
    if (TokenInformation(token.get(), TokenIntegrityLevel, labelBuffer, label)) {
        const UCHAR count = *GetSidSubAuthorityCount(label->Label.Sid);
        if (count > 0 && *GetSidSubAuthority(label->Label.Sid, count - 1) >= 0x3000) {
            text += L"S:(ML;;NW;;;HI)";
        }
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return nullptr;
    }
    return descriptor;
}

class NamedPipeServer final : public PipeServer {
  public:
    NamedPipeServer(std::wstring path, PSECURITY_DESCRIPTOR descriptor, HANDLE stop)
        : path_(std::move(path)), descriptor_(descriptor), stop_(stop) {}
    ~NamedPipeServer() override {
        pipe_.Reset();
        LocalFree(descriptor_);
    }

    // The first instance fails when another process already holds the name. Wine creates it
    // anyway, so an instance that is not the name's only one is refused here as well.
    bool Start() {
        pipe_.Reset(CreateInstance(FILE_FLAG_FIRST_PIPE_INSTANCE));
        DWORD instances = 0;
        if (pipe_ &&
            GetNamedPipeHandleStateW(pipe_.get(), nullptr, &instances, nullptr, nullptr, nullptr,
                                     0) &&
            instances > 1) {
            pipe_.Reset();
        }
        return static_cast<bool>(pipe_);
    }

    bool Accept() override {
        connected_ = false;
        if (!pipe_) return false;
        Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!event) return false;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        bool connected = false;
        if (ConnectNamedPipe(pipe_.get(), &overlapped)) {
            connected = true;
        } else if (GetLastError() == ERROR_PIPE_CONNECTED) {
            connected = true;
        } else if (GetLastError() == ERROR_IO_PENDING) {
            DWORD bytes = 0;
            if (WaitFor(event.get())) {
                connected = GetOverlappedResult(pipe_.get(), &overlapped, &bytes, FALSE);
            } else {
                CancelIoEx(pipe_.get(), &overlapped);
                // The cancelled connect settles before its OVERLAPPED goes out of scope.
                GetOverlappedResult(pipe_.get(), &overlapped, &bytes, TRUE);
            }
        }
        if (!connected) return false;
        ULONG pid = 0;
        connected_ = GetNamedPipeClientProcessId(pipe_.get(), &pid) && PeerIsOurs(pid);
        return connected_;
    }

    PipeRead Read(std::string& message) override {
        if (!connected_) return PipeRead::Closed;
        Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!event) return PipeRead::Closed;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        char buffer[kPipeMessageMax];
        DWORD bytes = 0;
        BOOL done = ReadFile(pipe_.get(), buffer, kPipeMessageMax, nullptr, &overlapped);
        DWORD error = done ? ERROR_SUCCESS : GetLastError();
        if (error == ERROR_IO_PENDING && !WaitFor(event.get())) {
            CancelIoEx(pipe_.get(), &overlapped);
            GetOverlappedResult(pipe_.get(), &overlapped, &bytes, TRUE);
            return PipeRead::Closed;
        }
        if (done || error == ERROR_IO_PENDING) {
            done = GetOverlappedResult(pipe_.get(), &overlapped, &bytes, FALSE);
            error = done ? ERROR_SUCCESS : GetLastError();
        }
        if (done) {
            message.assign(buffer, bytes);
            return PipeRead::Message;
        }
        return error == ERROR_MORE_DATA ? PipeRead::TooLong : PipeRead::Closed;
    }

    // The next instance exists before the current one goes, so the name is never free for
    // another process to take.
    bool Next() override {
        connected_ = false;
        Handle next;
        while (!next && !Stopped()) {
            next.Reset(CreateInstance(0));
            if (!next) WaitForSingleObject(stop_.get(), 50);
        }
        if (pipe_) DisconnectNamedPipe(pipe_.get());
        pipe_.Reset(next.Release());
        return static_cast<bool>(pipe_);
    }

    void Stop() override { SetEvent(stop_.get()); }

  private:
    HANDLE CreateInstance(DWORD extraFlags) {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor_, FALSE};
        return CreateNamedPipeW(
            path_.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | extraFlags, kPipeMode,
            PIPE_UNLIMITED_INSTANCES, kBufferBytes, kBufferBytes, 0, &attributes);
    }

    // Waits for `event` or the stop event; true for `event`.
    bool WaitFor(HANDLE event) {
        HANDLE events[2] = {event, stop_.get()};
        return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0;
    }

    bool Stopped() { return WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }

    std::wstring path_;
    PSECURITY_DESCRIPTOR descriptor_;
    Handle stop_;
    Handle pipe_;
    bool connected_ = false;
};

class NamedPipeClient final : public PipeClient {
  public:
    explicit NamedPipeClient(HANDLE pipe) : pipe_(pipe) {}
    bool Write(std::string_view message) override {
        DWORD written = 0;
        return WriteFile(pipe_.get(), message.data(), static_cast<DWORD>(message.size()), &written,
                         nullptr) &&
               written == message.size();
    }

    // Returns once the server has read everything written, or has disconnected.
    void WaitForReader() override { FlushFileBuffers(pipe_.get()); }

  private:
    Handle pipe_;
};

}  // namespace

std::unique_ptr<PipeServer> CreatePipeServer(const std::string& name) {
    PSECURITY_DESCRIPTOR descriptor = BuildSecurityDescriptor();
    if (!descriptor) return nullptr;
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stop) {
        LocalFree(descriptor);
        return nullptr;
    }
    auto server = std::make_unique<NamedPipeServer>(PipePath(name), descriptor, stop);
    if (!server->Start()) return nullptr;
    return server;
}

std::unique_ptr<PipeClient> ConnectPipe(const std::string& name) {
    // The server may at most identify us, never act as us.
    Handle pipe(CreateFileW(PipePath(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (!pipe) return nullptr;
    ULONG pid = 0;
    if (!GetNamedPipeServerProcessId(pipe.get(), &pid) || !PeerIsOurs(pid)) return nullptr;
    return std::make_unique<NamedPipeClient>(pipe.Release());
}

}  // namespace velotap
