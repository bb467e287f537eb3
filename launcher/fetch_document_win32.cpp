#include "fetch_document.h"

#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "utf8.h"

namespace {

constexpr DWORD kReceiveTimeout = 6000;

HINTERNET openSession() {
    std::wstring agent = fromUtf8(kServerUserAgent);
    HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session)
        session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    return session;
}

void readBody(HINTERNET request, std::string& body) {
    std::vector<char> chunk;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available) || available == 0)
            return;
        chunk.resize(available);
        DWORD got = 0;
        if (!WinHttpReadData(request, chunk.data(), available, &got) || got == 0)
            return;
        body.append(chunk.data(), got);
        if (documentIsComplete(body))
            return;
    }
}

} // namespace

FetchedDocument fetchDocument(const std::wstring& host, const std::wstring& path) {
    FetchedDocument document;
    HINTERNET session = openSession();
    if (!session)
        return document;
    WinHttpSetTimeouts(session, 4000, 4000, 4000, kReceiveTimeout);
    // The wait for the response's headers has a time-out of its own in some WinHTTP versions
    // (Wine's never ends); a silent server must end the request after the receive time-out.
    DWORD headersTimeout = kReceiveTimeout;
    WinHttpSetOption(session, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersTimeout,
                     sizeof(headersTimeout));
    HINTERNET connection = WinHttpConnect(session, host.c_str(), INTERNET_DEFAULT_HTTP_PORT, 0);
    HINTERNET request =
        connection ? WinHttpOpenRequest(connection, L"GET", path.c_str(), nullptr,
                                        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                   : nullptr;
    if (request &&
        WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                           0) &&
        WinHttpReceiveResponse(request, nullptr)) {
        DWORD status = 0;
        DWORD size = sizeof(status);
        if (WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                WINHTTP_NO_HEADER_INDEX))
            document.status = status;
        readBody(request, document.body);
    }
    if (request)
        WinHttpCloseHandle(request);
    if (connection)
        WinHttpCloseHandle(connection);
    WinHttpCloseHandle(session);
    return document;
}
