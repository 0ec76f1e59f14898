#pragma once
// The loopback HTTPS server of the transport and download tests, with a certificate made for it.
// Linux only: WinHTTP cannot be pointed at it (see the transport test).
#ifndef _WIN32
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/https_get.h"
#include "support/subprocess.h"

namespace velotap {

namespace update_test {

// Serves the routes of https_test_server.py, and the files of `files()` under "/file/NAME", as
// long as it lives. Its certificate names 127.0.0.1 and `hostName`.
class LoopbackServer {
  public:
    explicit LoopbackServer(const std::string& hostName = "localhost") {
        cert_ = dir_.File("cert.pem");
        std::string key = dir_.File("key.pem");
        std::string make =
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
            "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:" +
            hostName + " -keyout '" + key + "' -out '" + cert_ + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return;
        std::string portFile = dir_.File("port");
        std::string run = "python3 '" + std::string(VELOTAP_SOURCE_DIR) +
                          "/tests/update/https_test_server.py' '" + cert_ + "' '" + key + "' '" +
                          portFile + "' '" + files_.path() + "'";
        server_ = popen(run.c_str(), "w");
        for (int i = 0; server_ && i < 400 && port_.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            port_ = ReadWholeFile(portFile);
        }
    }
    ~LoopbackServer() {
        if (server_) pclose(server_);
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool ok() const { return !port_.empty(); }
    const std::string& port() const { return port_; }
    const TempDir& files() const { return files_; }
    std::string Url(const std::string& path) const { return "https://127.0.0.1:" + port_ + path; }
    HttpsGetOptions Trusting(int timeoutMs = 10000) const {
        HttpsGetOptions options;
        options.testTrustedCertFile = cert_;
        options.timeoutMs = timeoutMs;
        return options;
    }
    // Trusting, and `host` on port 443 reached here.
    HttpsGetOptions Standing(const std::string& host) const {
        HttpsGetOptions options = Trusting();
        options.testConnectTo = host + ":443:127.0.0.1:" + port_;
        return options;
    }

  private:
    TempDir dir_;
    TempDir files_;
    std::string cert_;
    std::string port_;
    FILE* server_ = nullptr;
};

}  // namespace update_test

}  // namespace velotap

#endif
