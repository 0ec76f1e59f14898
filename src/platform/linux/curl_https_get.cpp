// HTTPS GET on libcurl with the transport rules the updater shares: HTTPS only, a small body cap,
// and a time-out on every step rather than on the whole transfer.
#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "platform/https_get.h"

namespace velotap {

namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
    std::string* body;
    size_t maxBody;
    bool tooLarge = false;
    std::chrono::milliseconds stall;
    Clock::time_point lastProgress = Clock::now();
    curl_off_t lastDown = 0;
    curl_off_t lastUp = 0;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (t->body->size() + n > t->maxBody) {
        t->tooLarge = true;
        return 0;  // makes curl stop with a write error
    }
    t->body->append(data, n);
    return n;
}

// Stands in for per-operation send and receive time-outs: give up when nothing moved for a while.
int OnProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* t = static_cast<Transfer*>(user);
    Clock::time_point now = Clock::now();
    if (down != t->lastDown || up != t->lastUp) {
        t->lastDown = down;
        t->lastUp = up;
        t->lastProgress = now;
        return 0;
    }
    return now - t->lastProgress > t->stall ? 1 : 0;
}

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

bool HttpsGet(const std::string& url, std::string& body, const HttpsGetOptions& options) {
    body.clear();
    InitialiseOnce();
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) return false;
    CURL* c = curl.get();
    Transfer transfer{&body, options.maxBodyBytes, false,
                      std::chrono::milliseconds(options.timeoutMs)};
    long timeout = options.timeoutMs;
    bool setUp = curl_easy_setopt(c, CURLOPT_URL, url.c_str()) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https") == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https") == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_USERAGENT, "Velotap-Update/1.0") == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeout) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnData) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress) == CURLE_OK &&
                 curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer) == CURLE_OK;
    if (setUp && !options.testTrustedCertFile.empty()) {
        setUp =
            curl_easy_setopt(c, CURLOPT_CAINFO, options.testTrustedCertFile.c_str()) == CURLE_OK &&
            curl_easy_setopt(c, CURLOPT_CAPATH, nullptr) == CURLE_OK;
    }
    if (!setUp) return false;

    CURLcode result = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (result != CURLE_OK || status != 200 || transfer.tooLarge || body.empty()) {
        body.clear();
        return false;
    }
    return true;
}

}  // namespace velotap
