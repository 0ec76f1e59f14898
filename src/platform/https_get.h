#pragma once
// One small HTTPS GET (win32: WinHTTP; linux: libcurl). TLS is verified against the system's
// trust store; redirects are followed over HTTPS only.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velotap {

struct HttpsGetOptions {
    size_t maxBodyBytes = 16384;
    // Applies to resolving, connecting, sending and each wait for received data.
    int timeoutMs = 10000;
    // A PEM certificate trusted instead of the system store. Only the tests set it, to reach their
    // loopback server; nothing in the program takes it from outside input.
    std::string testTrustedCertFile;
    // "HOST:PORT:CONNECT-HOST:CONNECT-PORT": connect there instead (tests only, like the above).
    std::string testConnectTo;
};

// True only for a status of 200 and a body of 1 to maxBodyBytes bytes; `body` is empty otherwise.
bool HttpsGet(const std::string& url, std::string& body, const HttpsGetOptions& options);

// Takes a download as it arrives.
class DownloadReceiver {
  public:
    virtual ~DownloadReceiver() = default;
    // The final response's status and its announced length (0 when absent), before any of the
    // body. False stops the transfer.
    virtual bool Begin(long status, uint64_t announced) = 0;
    // The next piece of the body, at most 65536 bytes. False stops the transfer.
    virtual bool Chunk(const char* data, size_t size) = 0;
    // Asked now and then while the transfer waits; true stops it.
    virtual bool Abandoned() = 0;
};

// GET of `url` under the same transport rules, with no size limit of its own. True when the
// body arrived whole and the receiver took every piece; Begin is always called on success.
bool HttpsDownload(const std::string& url, DownloadReceiver& receiver,
                   const HttpsGetOptions& options);

}  // namespace velotap
