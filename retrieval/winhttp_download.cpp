#include "retrieval/winhttp_download.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <charconv>
#include <memory>

#include "util/win32_text.h"

namespace nimbrel {

namespace {

constexpr wchar_t kUserAgent[] = L"Nimbrel/1.00";
constexpr DWORD kReadSize = 64 * 1024;
// Name look-up, connecting and sending the request each get this long.
constexpr int kSetupTimeoutMs = 30 * 1000;

struct HandleCloser {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, HandleCloser>;

// Some systems (Wine among them) ship winhttp.dll without message texts; these say the same.
std::optional<std::string> CommonWinHttpErrorText(DWORD code) {
    switch (code) {
        case ERROR_WINHTTP_TIMEOUT:
            return "The operation timed out.";
        case ERROR_WINHTTP_INVALID_URL:
            return "The address is not valid.";
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
            return "The address does not start with http:// or https://.";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return "The server name could not be resolved.";
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return "The server refused the connection or cannot be reached.";
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return "The connection with the server was reset.";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return "The server's response was not valid.";
        case ERROR_WINHTTP_REDIRECT_FAILED:
            return "The redirect could not be followed.";
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
            return "The secure connection failed.";
        case ERROR_WINHTTP_SECURE_INVALID_CA:
            return "The server's certificate is not trusted.";
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
            return "The server's certificate names another server.";
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
            return "The server's certificate has expired or is not yet valid.";
        default:
            return std::nullopt;
    }
}

std::string WinHttpErrorText(DWORD code) {
    auto text = SystemErrorDescription(code, GetModuleHandleW(L"winhttp.dll"));
    if (!text) {
        text = CommonWinHttpErrorText(code);
    }
    return text.value_or("error " + std::to_string(code));
}

// A failure that only its text can explain, such as a step of WinHTTP's own set-up.
TransferFailure Failure(const std::string& what, DWORD code) {
    return {.kind = TransferFailureKind::Other, .systemText = what + ": " + WinHttpErrorText(code)};
}

std::wstring Part(const wchar_t* start, DWORD length) {
    return start ? std::wstring(start, length) : std::wstring();
}

// A header's value as text; nothing when the response lacks it.
std::optional<std::wstring> QueryHeader(HINTERNET request, DWORD info) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return std::nullopt;
    }
    value.resize(size / sizeof(wchar_t));
    return value;
}

std::optional<DWORD> StatusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return std::nullopt;
    }
    return status;
}

// Read as text: Wine's WinHTTP has no WINHTTP_QUERY_FLAG_NUMBER64, and 32 bits may not do.
std::optional<std::uint64_t> ContentLength(HINTERNET request) {
    const std::string text =
        WideToUtf8(QueryHeader(request, WINHTTP_QUERY_CONTENT_LENGTH).value_or(L""));
    std::uint64_t length = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, length);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return length;
}

// Wine reports the socket's time-out rather than WinHTTP's.
bool IsTimeOut(DWORD code) {
    return code == ERROR_WINHTTP_TIMEOUT || code == WSAETIMEDOUT;
}

HINTERNET OpenSession() {
    HINTERNET session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    // Windows before 8.1 knows no automatic proxy; its configured default proxy stands in.
    if (!session) {
        session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, 0);
    }
    return session;
}

// One GET from start to end; each step returns what went wrong, if anything.
class Download {
  public:
    Download(const WinHttpLimits& limits, DownloadSink& sink) : limits_(limits), sink_(sink) {}
    // The request goes before the connection and the session it belongs to.
    ~Download() { sink_.CloseRequest(); }
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    DownloadResult Run(const std::string& url) {
        DownloadResult result;
        result.failure = Open(url);
        if (!result.failure) {
            result.failure = Exchange();
        }
        if (!result.failure) {
            result.date = WideToUtf8(QueryHeader(Request(), WINHTTP_QUERY_DATE).value_or(L""));
            result.failure = ReadBody();
        }
        return result;
    }

  private:
    std::optional<TransferFailure> Open(const std::string& url);
    std::optional<TransferFailure> Configure();
    std::optional<TransferFailure> Exchange();
    std::optional<TransferFailure> CheckStatus();
    std::optional<TransferFailure> ReadBody();
    TransferFailure SendFailure(DWORD code) const;
    TransferFailure ReceiveFailure(DWORD code, std::uint64_t received) const;
    TransferFailure TooLarge() const {
        return {.kind = TransferFailureKind::TooLarge, .limitBytes = limits_.bodyBytes};
    }
    std::string ServerName() const { return WideToUtf8(host_) + ":" + std::to_string(port_); }
    HINTERNET Request() const { return sink_.Request(); }

    const WinHttpLimits& limits_;
    DownloadSink& sink_;
    std::wstring host_;
    INTERNET_PORT port_ = 0;
    InternetHandle session_;
    InternetHandle connection_;
};

std::optional<TransferFailure> Download::Open(const std::string& url) {
    const std::wstring wideUrl = Utf8ToWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts)) {
        return Failure("Bad address \"" + url + "\"", GetLastError());
    }
    host_ = Part(parts.lpszHostName, parts.dwHostNameLength);
    port_ = parts.nPort;
    if (auto failure = Configure()) {
        return failure;
    }
    connection_.reset(WinHttpConnect(session_.get(), host_.c_str(), port_, 0));
    if (!connection_) {
        return SendFailure(GetLastError());
    }
    const std::wstring object = Part(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    HINTERNET request = WinHttpOpenRequest(connection_.get(), L"GET", object.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (!request) {
        return Failure("Cannot prepare the request", GetLastError());
    }
    sink_.AdoptRequest(request);
    return std::nullopt;
}

std::optional<TransferFailure> Download::Configure() {
    session_.reset(OpenSession());
    if (!session_) {
        return Failure("Cannot start WinHTTP", GetLastError());
    }
    DWORD receive = static_cast<DWORD>(limits_.inactivity.count());
    // NOAA's servers redirect plain HTTP to HTTPS, which WinHTTP refuses unless told otherwise.
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS;
    // The headers of a response get as long as any later piece of its body.
    if (!WinHttpSetTimeouts(session_.get(), kSetupTimeoutMs, kSetupTimeoutMs, kSetupTimeoutMs,
                            static_cast<int>(receive)) ||
        !WinHttpSetOption(session_.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receive,
                          sizeof receive) ||
        !WinHttpSetOption(session_.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy)) {
        return Failure("Cannot set up WinHTTP", GetLastError());
    }
    return std::nullopt;
}

std::optional<TransferFailure> Download::Exchange() {
    if (!WinHttpSendRequest(Request(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                            0, 0)) {
        return SendFailure(GetLastError());
    }
    if (!WinHttpReceiveResponse(Request(), nullptr)) {
        return ReceiveFailure(GetLastError(), 0);
    }
    return CheckStatus();
}

std::optional<TransferFailure> Download::CheckStatus() {
    const auto status = StatusCode(Request());
    if (!status) {
        return Failure("No status from " + ServerName(), GetLastError());
    }
    if (*status >= 200 && *status < 300) {
        return std::nullopt;
    }
    return TransferFailure{
        .kind = TransferFailureKind::HttpStatus,
        .systemText = WideToUtf8(QueryHeader(Request(), WINHTTP_QUERY_STATUS_TEXT).value_or(L"")),
        .server = ServerName(),
        .connected = true,
        .httpStatus = static_cast<int>(*status)};
}

std::optional<TransferFailure> Download::ReadBody() {
    // WinHTTP does not always notice a connection closed before the end of the body.
    const auto expected = ContentLength(Request());
    if (expected && *expected > limits_.bodyBytes) {
        return TooLarge();
    }
    std::string buffer(kReadSize, '\0');
    std::uint64_t received = 0;
    for (;;) {
        // Asking first hands on what has arrived; a read alone waits for a full buffer.
        DWORD available = 0;
        DWORD read = 0;
        if (!WinHttpQueryDataAvailable(Request(), &available) ||
            (available &&
             !WinHttpReadData(Request(), buffer.data(), std::min(available, kReadSize), &read))) {
            return ReceiveFailure(GetLastError(), received);
        }
        if (read == 0) {
            break;
        }
        received += read;
        if (received > limits_.bodyBytes) {
            return TooLarge();
        }
        if (!sink_.TakeChunk(std::string_view(buffer.data(), read))) {
            return TransferFailure{.kind = TransferFailureKind::Cancelled};
        }
    }
    if (expected && received < *expected) {
        return TransferFailure{.kind = TransferFailureKind::CutShort,
                               .server = ServerName(),
                               .connected = true,
                               .receivedBytes = received,
                               .expectedBytes = *expected};
    }
    return std::nullopt;
}

TransferFailure Download::SendFailure(DWORD code) const {
    TransferFailure failure{.kind = TransferFailureKind::Connection,
                            .systemText = WinHttpErrorText(code),
                            .server = ServerName()};
    switch (code) {
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            failure.kind = TransferFailureKind::NameResolution;
            break;
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        case ERROR_WINHTTP_SECURE_INVALID_CA:
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
            failure.kind = TransferFailureKind::Tls;
            break;
        default:
            break;
    }
    return failure;
}

TransferFailure Download::ReceiveFailure(DWORD code, std::uint64_t received) const {
    if (IsTimeOut(code)) {
        return {.kind = TransferFailureKind::TimedOut,
                .server = ServerName(),
                .receivedBytes = received,
                .idle = limits_.inactivity};
    }
    return {.kind = TransferFailureKind::Connection,
            .systemText = WinHttpErrorText(code),
            .server = ServerName(),
            .connected = true,
            .receivedBytes = received};
}

}  // namespace

DownloadResult RunDownload(const std::string& url, const WinHttpLimits& limits,
                           DownloadSink& sink) {
    return Download(limits, sink).Run(url);
}

}  // namespace nimbrel
