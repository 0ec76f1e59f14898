// HTTPS GET on WinHTTP with the transport rules the updater shares.
#include <windows.h>
#include <winhttp.h>

#include <string>

#include "platform/https_get.h"
#include "platform/win32/win32_text.h"

namespace velotap {

namespace {

struct InternetHandle {
    HINTERNET h = nullptr;
    explicit InternetHandle(HINTERNET handle) : h(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (h) WinHttpCloseHandle(h);
    }
};

bool Fetch(const std::string& url, std::string& body, const HttpsGetOptions& options) {
    std::wstring wideUrl = Widen(url, MB_ERR_INVALID_CHARS);
    if (wideUrl.empty()) return false;
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS) {
        return false;
    }
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";
    INTERNET_PORT port = parts.nPort ? parts.nPort : INTERNET_DEFAULT_HTTPS_PORT;

    InternetHandle session(WinHttpOpen(L"Velotap-Update/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.h) return false;
    int t = options.timeoutMs;
    if (!WinHttpSetTimeouts(session.h, t, t, t, t)) return false;
    InternetHandle connection(WinHttpConnect(session.h, host.c_str(), port, 0));
    if (!connection.h) return false;
    InternetHandle request(WinHttpOpenRequest(connection.h, L"GET", path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              WINHTTP_FLAG_SECURE));
    if (!request.h) return false;
    if (!WinHttpSendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                            0, 0) ||
        !WinHttpReceiveResponse(request.h, nullptr)) {
        return false;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX) ||
        status != 200) {
        return false;
    }
    while (true) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.h, &available)) return false;
        if (available == 0) break;
        if (body.size() + available > options.maxBodyBytes) return false;
        size_t at = body.size();
        body.resize(at + available);
        DWORD read = 0;
        if (!WinHttpReadData(request.h, body.data() + at, available, &read)) return false;
        body.resize(at + read);
        if (read == 0) break;
    }
    return !body.empty();
}

}  // namespace

bool HttpsGet(const std::string& url, std::string& body, const HttpsGetOptions& options) {
    body.clear();
    // WinHTTP has no per-request trust store; the tests' loopback server is reached on Linux only.
    if (!options.testTrustedCertFile.empty()) return false;
    if (!Fetch(url, body, options)) {
        body.clear();
        return false;
    }
    return true;
}

}  // namespace velotap
