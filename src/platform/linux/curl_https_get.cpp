// HTTPS GET on libcurl with the transport rules the updater shares: HTTPS only, and a time-out on
// every step rather than on the whole transfer; small bodies are capped, downloads are streamed.
#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "platform/https_get.h"

namespace velotap {

namespace {

using Clock = std::chrono::steady_clock;

// Stands in for per-operation send and receive time-outs: give up when nothing moved for a while.
struct Stall {
    std::chrono::milliseconds limit;
    Clock::time_point lastProgress = Clock::now();
    curl_off_t lastDown = 0;
    curl_off_t lastUp = 0;

    bool Expired(curl_off_t down, curl_off_t up) {
        Clock::time_point now = Clock::now();
        if (down != lastDown || up != lastUp) {
            lastDown = down;
            lastUp = up;
            lastProgress = now;
            return false;
        }
        return now - lastProgress > limit;
    }
};

struct SmallTransfer {
    std::string* body;
    size_t maxBody;
    bool tooLarge = false;
    Stall stall;
};

size_t OnSmallData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<SmallTransfer*>(user);
    size_t n = size * count;
    if (t->body->size() + n > t->maxBody) {
        t->tooLarge = true;
        return 0;  // makes curl stop with a write error
    }
    t->body->append(data, n);
    return n;
}

int OnSmallProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    return static_cast<SmallTransfer*>(user)->stall.Expired(down, up) ? 1 : 0;
}

struct CurlFree {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistFree {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The rules both transfers share. `connectTo` must outlive the transfer.
bool Configure(CURL* c, const std::string& url, const HttpsGetOptions& options,
               std::unique_ptr<curl_slist, SlistFree>& connectTo) {
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
                 curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
    if (setUp && !options.testTrustedCertFile.empty()) {
        setUp =
            curl_easy_setopt(c, CURLOPT_CAINFO, options.testTrustedCertFile.c_str()) == CURLE_OK &&
            curl_easy_setopt(c, CURLOPT_CAPATH, nullptr) == CURLE_OK;
    }
    if (setUp && !options.testConnectTo.empty()) {
        connectTo.reset(curl_slist_append(nullptr, options.testConnectTo.c_str()));
        setUp = connectTo && curl_easy_setopt(c, CURLOPT_CONNECT_TO, connectTo.get()) == CURLE_OK;
    }
    return setUp;
}

struct Download {
    DownloadReceiver* receiver;
    CURL* curl;
    Stall stall;
    bool begun = false;
    bool refused = false;
};

// At the blank line that ends each header block: redirects and interim answers pass, the final
// answer goes to the receiver before any of its body.
size_t OnDownloadHeader(char* data, size_t size, size_t count, void* user) {
    auto* d = static_cast<Download*>(user);
    size_t n = size * count;
    bool blank = (n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n');
    if (!blank) return n;
    long status = 0;
    curl_easy_getinfo(d->curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || (status >= 300 && status < 400)) return n;
    curl_off_t length = -1;
    curl_easy_getinfo(d->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    d->begun = true;
    if (!d->receiver->Begin(status, length > 0 ? static_cast<uint64_t>(length) : 0)) {
        d->refused = true;
        return 0;
    }
    return n;
}

size_t OnDownloadData(char* data, size_t size, size_t count, void* user) {
    auto* d = static_cast<Download*>(user);
    size_t n = size * count;
    if (!d->begun || !d->receiver->Chunk(data, n)) {
        d->refused = true;
        return 0;
    }
    return n;
}

int OnDownloadProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* d = static_cast<Download*>(user);
    return d->receiver->Abandoned() || d->stall.Expired(down, up) ? 1 : 0;
}

}  // namespace

bool HttpsGet(const std::string& url, std::string& body, const HttpsGetOptions& options) {
    body.clear();
    InitialiseOnce();
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) return false;
    CURL* c = curl.get();
    std::unique_ptr<curl_slist, SlistFree> connectTo;
    SmallTransfer transfer{&body, options.maxBodyBytes, false,
                           Stall{std::chrono::milliseconds(options.timeoutMs)}};
    if (!Configure(c, url, options, connectTo) ||
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnSmallData) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnSmallProgress) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer) != CURLE_OK) {
        return false;
    }
    CURLcode result = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (result != CURLE_OK || status != 200 || transfer.tooLarge || body.empty()) {
        body.clear();
        return false;
    }
    return true;
}

bool HttpsDownload(const std::string& url, DownloadReceiver& receiver,
                   const HttpsGetOptions& options) {
    InitialiseOnce();
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) return false;
    CURL* c = curl.get();
    std::unique_ptr<curl_slist, SlistFree> connectTo;
    Download download{&receiver, c, Stall{std::chrono::milliseconds(options.timeoutMs)}};
    if (!Configure(c, url, options, connectTo) ||
        curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 65536L) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnDownloadHeader) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_HEADERDATA, &download) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnDownloadData) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &download) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnDownloadProgress) != CURLE_OK ||
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &download) != CURLE_OK) {
        return false;
    }
    CURLcode result = curl_easy_perform(c);
    if (result != CURLE_OK || download.refused) return false;
    // An empty body gives no data callback; the header callback has seen the answer.
    return download.begun;
}

}  // namespace velotap
