#pragma once
// One small HTTPS GET (win32: WinHTTP; linux: libcurl). TLS is verified against the system's
// trust store; redirects are followed over HTTPS only.
#include <cstddef>
#include <string>

namespace velotap {

struct HttpsGetOptions {
    size_t maxBodyBytes = 16384;
    // Applies to resolving, connecting, sending and each wait for received data.
    int timeoutMs = 10000;
    // A PEM certificate trusted instead of the system store. Only the tests set it, to reach their
    // loopback server; nothing in the program takes it from outside input.
    std::string testTrustedCertFile;
};

// True only for a status of 200 and a body of 1 to maxBodyBytes bytes; `body` is empty otherwise.
bool HttpsGet(const std::string& url, std::string& body, const HttpsGetOptions& options);

}  // namespace velotap
