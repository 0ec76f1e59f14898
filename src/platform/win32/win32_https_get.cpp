// HTTPS GET on WinHTTP with the transport rules the updater shares.
#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>

#include "platform/https_get.h"
#include "platform/win32/win32_text.h"

namespace velotap {

namespace {

struct InternetHandle {
    HINTERNET h = nullptr;
    InternetHandle() = default;
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() { Reset(); }
    void Reset(HINTERNET handle = nullptr) {
        if (h) WinHttpCloseHandle(h);
        h = handle;
    }
};

// One GET sent and its answer's head received; the handles close with the object, request first.
struct Request {
    InternetHandle session, connection, request;
    DWORD status = 0;
    ~Request() {
        request.Reset();
        connection.Reset();
    }

    bool Send(const std::string& url, const HttpsGetOptions& options) {
        std::wstring wideUrl = Widen(url, MB_ERR_INVALID_CHARS);
        if (wideUrl.empty()) return false;
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = static_cast<DWORD>(-1);
        parts.dwUrlPathLength = static_cast<DWORD>(-1);
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts) ||
            parts.nScheme != INTERNET_SCHEME_HTTPS) {
            return false;
        }
        std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        if (path.empty()) path = L"/";
        INTERNET_PORT port = parts.nPort ? parts.nPort : INTERNET_DEFAULT_HTTPS_PORT;

        session.Reset(WinHttpOpen(L"Velotap-Update/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session.h) return false;
        int t = options.timeoutMs;
        if (!WinHttpSetTimeouts(session.h, t, t, t, t)) return false;
        connection.Reset(WinHttpConnect(session.h, host.c_str(), port, 0));
        if (!connection.h) return false;
        request.Reset(WinHttpOpenRequest(connection.h, L"GET", path.c_str(), nullptr,
                                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                         WINHTTP_FLAG_SECURE));
        if (!request.h) return false;
        if (!WinHttpSendRequest(request.h, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
            !WinHttpReceiveResponse(request.h, nullptr)) {
            return false;
        }
        DWORD size = sizeof status;
        return WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                   WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                   WINHTTP_NO_HEADER_INDEX) != FALSE;
    }

    // The Content-Length header as a decimal number; 0 when absent or not a number.
    uint64_t AnnouncedLength() {
        wchar_t text[32] = {};
        DWORD size = sizeof text - sizeof(wchar_t);
        if (!WinHttpQueryHeaders(request.h, WINHTTP_QUERY_CONTENT_LENGTH,
                                 WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                                 WINHTTP_NO_HEADER_INDEX)) {
            return 0;
        }
        uint64_t value = 0;
        for (const wchar_t* c = text; *c; ++c) {
            if (*c < L'0' || *c > L'9') return 0;
            value = value * 10 + static_cast<uint64_t>(*c - L'0');
            if (value > (1ull << 62)) return value;
        }
        return value;
    }
};

bool Fetch(const std::string& url, std::string& body, const HttpsGetOptions& options) {
    Request r;
    if (!r.Send(url, options) || r.status != 200) return false;
    while (true) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(r.request.h, &available)) return false;
        if (available == 0) break;
        if (body.size() + available > options.maxBodyBytes) return false;
        size_t at = body.size();
        body.resize(at + available);
        DWORD read = 0;
        if (!WinHttpReadData(r.request.h, body.data() + at, available, &read)) return false;
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

bool HttpsDownload(const std::string& url, DownloadReceiver& receiver,
                   const HttpsGetOptions& options) {
    if (!options.testTrustedCertFile.empty()) return false;
    Request r;
    if (!r.Send(url, options) ||
        !receiver.Begin(static_cast<long>(r.status), r.AnnouncedLength())) {
        return false;
    }
    std::string buffer(65536, '\0');
    while (true) {
        if (receiver.Abandoned()) return false;
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(r.request.h, &available)) return false;
        if (available == 0) return true;
        DWORD read = 0;
        DWORD want = available < buffer.size() ? available : static_cast<DWORD>(buffer.size());
        if (!WinHttpReadData(r.request.h, buffer.data(), want, &read)) return false;
        if (read == 0) return true;
        if (!receiver.Chunk(buffer.data(), read)) return false;
    }
}

}  // namespace velotap
