#include "retrieval/winhttp_exchange.h"

#include <windows.h>
#include <winhttp.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <optional>
#include <utility>

#include "retrieval/gzip_inflater.h"
#include "retrieval/proxy_sign_in.h"
#include "retrieval/winhttp_failure.h"
#include "retrieval/winhttp_session.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

// Large reads keep the callbacks and batches few when the data comes fast.
constexpr DWORD kReadSize = 256 * 1024;
// Wine's WinHTTP holds no more than this, and fills a larger read before it returns.
constexpr DWORD kWineBufferSize = 8 * 1024;
// Name look-up, connecting and sending the request each get this long.
constexpr int kSetupTimeoutMs = 30 * 1000;
// WinHTTP may ask for the request to go again (after a sign-in or a redirect); so often at most.
constexpr int kMostResends = 2;
constexpr DWORD kNotifications =
    WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES |
    WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER | WINHTTP_CALLBACK_FLAG_REDIRECT |
    WINHTTP_CALLBACK_FLAG_SECURE_FAILURE;

std::atomic<std::size_t> exchangesInFlight{0};

// Ends a transfer with an exception's reason; without the memory for the reason it still ends.
void EndWith(TransferRequest& request, const std::exception& error) {
    try {
        request.End(ExceptionFailure(error, ""));
    } catch (...) {
        request.End(TransferFailure{});
    }
}

struct UrlParts {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring object;  // path and query
    bool secure = false;

    std::string Server() const { return WideToUtf8(host) + ":" + std::to_string(port); }
};

std::wstring Part(const wchar_t* start, DWORD length) {
    return start ? std::wstring(start, length) : std::wstring();
}

std::optional<UrlParts> CrackUrl(const std::wstring& url) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        return std::nullopt;
    }
    return UrlParts{.host = Part(parts.lpszHostName, parts.dwHostNameLength),
                    .port = parts.nPort,
                    .object = Part(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              Part(parts.lpszExtraInfo, parts.dwExtraInfoLength),
                    .secure = parts.nScheme == INTERNET_SCHEME_HTTPS};
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

std::string HeaderText(HINTERNET request, DWORD info) {
    return WideToUtf8(QueryHeader(request, info).value_or(L""));
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
    const std::string text = HeaderText(request, WINHTTP_QUERY_CONTENT_LENGTH);
    std::uint64_t length = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, length);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return length;
}

// The validators of a copy the program has, as request headers.
std::wstring ConditionHeaders(const HttpConditions& conditions) {
    std::wstring headers;
    const auto add = [&headers](const wchar_t* name, const std::string& value) {
        if (HttpConditions::Sendable(value)) {
            headers += name + Utf8ToWide(value) + L"\r\n";
        }
    };
    add(L"If-Modified-Since: ", conditions.ifModifiedSince);
    add(L"If-None-Match: ", conditions.ifNoneMatch);
    return headers;
}

enum class Encoding { Identity, Gzip, Unknown };

Encoding ContentEncoding(HINTERNET request) {
    std::string name = HeaderText(request, WINHTTP_QUERY_CONTENT_ENCODING);
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (name.empty() || name == "identity") {
        return Encoding::Identity;
    }
    return name == "gzip" || name == "x-gzip" ? Encoding::Gzip : Encoding::Unknown;
}

// One GET, driven by WinHTTP's callbacks: the callback side of a TransferRequest. Each handler
// runs inside TransferRequest::Use, so the request handle it gets is open, and with it this
// exchange, which the handle's context owns. A handler that starts an asynchronous call touches
// nothing after it: the next callback may already run on another thread.
class Exchange {
  public:
    Exchange(std::shared_ptr<TransferRequest> request, ExchangeOrder order)
        : request_(std::move(request)), order_(std::move(order)), buffer_(kReadSize, '\0') {
        // The body is asked for compressed; this program inflates it itself.
        headers_ = L"Accept-Encoding: gzip\r\n" + ConditionHeaders(order_.conditions);
        ++exchangesInFlight;
    }
    ~Exchange() {
        if (connection_) {
            WinHttpCloseHandle(connection_);
        }
        --exchangesInFlight;
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // Prepares the request. On success the request handle's context owns the exchange, which is
    // freed when WinHTTP reports the handle closing.
    std::optional<TransferFailure> Open();
    // Sends the request once the proxy is known, which may be on another thread.
    void Send();

    static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, void* info,
                                  DWORD length);

  private:
    std::optional<TransferFailure> OpenRequest(const UrlParts& target);
    std::optional<TransferFailure> Configure(HINTERNET request);
    void SendThrough(HINTERNET request, const std::optional<ProxySetting>& lookedUp);
    void SendRequest(HINTERNET request);
    void TakeRoute(const std::string& url);
    void OnRedirect(HINTERNET request, const wchar_t* url);
    void OnSent(HINTERNET request);
    void AnswerProxyWithUserAccount(HINTERNET request, DefaultSignIn answer);
    void Handle(HINTERNET request, DWORD status, void* info, DWORD length);
    void OnHeaders(HINTERNET request);
    ResponseFacts Facts(HINTERNET request, DWORD status) const;
    void FailWithStatus(HINTERNET request, const ResponseAnswer& answer, DWORD status);
    void ReadBody(HINTERNET request);
    void RequestData(HINTERNET request);
    void OnDataAvailable(HINTERNET request, DWORD available);
    void OnRead(HINTERNET request, const char* data, DWORD length);
    // Adds a read's bytes to the body, inflated where they came compressed; false when that ended
    // the transfer.
    bool AddToBody(std::string_view bytes);
    void Keep(std::string_view bytes);
    void Finish();
    void Fail(TransferFailure failure);
    void Fail(DWORD code);
    // WinHTTP asks for some requests to be sent again, such as after a sign-in.
    void FailOrResend(HINTERNET request, DWORD code);
    void Complete();
    TransferSituation Situation() const {
        return {.server = server_,
                .connected = connected_,
                .receivedBytes = received_,
                .inactivityLimit = order_.limits.inactivity,
                .secureFailureFlags = secureFailureFlags_,
                .tlsVersionNotOffered = route_.session && route_.session->tlsVersionNotOffered,
                .proxy = way_.proxy,
                .proxySource = way_.source,
                .proxyToBlame = ProxyToBlame(way_, responded_, certificateKnown_)};
    }
    TransferFailure TooLarge() const {
        return {.kind = TransferFailureKind::TooLarge, .limitBytes = order_.limits.BodyBytes()};
    }
    TransferFailure Damaged() const {
        return {.kind = TransferFailureKind::Damaged,
                .server = server_,
                .connected = true,
                .receivedBytes = received_};
    }

    const std::shared_ptr<TransferRequest> request_;
    const ExchangeOrder order_;
    std::wstring headers_;
    HINTERNET connection_ = nullptr;
    std::string server_;  // host:port, followed through redirects
    Route route_;
    bool secure_ = false;
    ProxySetting setting_;           // the session's, or the one the look-up found
    std::string settingSource_;      // where its proxy came from
    bool lookedUp_ = false;          // the setting is the look-up's answer
    RequestRoute way_;               // of the address now asked, followed through redirects
    bool responded_ = false;         // the server answered, through the proxy if there is one
    bool certificateKnown_ = false;  // the secure channel to the server of this hop stands
    bool serverTime_ = false;        // the response's Date and Age are the server's
    int resends_ = 0;
    int hop_ = 0;                            // redirects followed
    std::optional<int> proxyAnsweredOnHop_;  // the user's Windows account went to its proxy
    bool connected_ = false;
    DWORD secureFailureFlags_ = 0;
    std::optional<std::uint64_t> expected_;  // Content-Length: the bytes the server sends
    std::uint64_t received_ = 0;
    std::optional<GzipInflater> inflater_;
    std::string tail_;  // the body's last bytes, for the rule book to see how it ends
    HttpResponseInfo info_;
    std::string buffer_;
};

std::optional<TransferFailure> Exchange::Open() {
    const auto target = CrackUrl(Utf8ToWide(order_.url));
    if (!target) {
        return StepFailure("Bad address \"" + order_.url + "\"", GetLastError());
    }
    server_ = target->Server();
    secure_ = target->secure;
    route_ = RouteFor(order_.url);
    setting_ = route_.setting;
    settingSource_ = route_.proxySource;
    TakeRoute(order_.url);
    if (!route_.session->handle) {
        return StepFailure("Cannot start WinHTTP", route_.session->openError);
    }
    connection_ = WinHttpConnect(route_.session->handle, target->host.c_str(), target->port, 0);
    if (!connection_) {
        return WinHttpFailure(GetLastError(), Situation());
    }
    return OpenRequest(*target);
}

std::optional<TransferFailure> Exchange::OpenRequest(const UrlParts& target) {
    HINTERNET request =
        WinHttpOpenRequest(connection_, L"GET", target.object.c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, target.secure ? WINHTTP_FLAG_SECURE : 0);
    if (!request) {
        return StepFailure("Cannot prepare the request", GetLastError());
    }
    if (!request_->Own(request)) {
        return TransferFailure{.kind = TransferFailureKind::Cancelled};
    }
    std::optional<TransferFailure> failure;
    request_->Use([&](HINTERNET handle) { failure = Configure(handle); });
    return failure;
}

// The callback comes last: from then on the handle's closing frees the exchange.
std::optional<TransferFailure> Exchange::Configure(HINTERNET request) {
    DWORD receive = static_cast<DWORD>(order_.limits.inactivity.count());
    Exchange* self = this;
    // No sign-in with the user's Windows account unless a proxy asks (AnswerProxyWithUserAccount).
    DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    // The headers of a response get as long as any later piece of its body.
    if (!WinHttpSetTimeouts(request, kSetupTimeoutMs, kSetupTimeoutMs, kSetupTimeoutMs,
                            static_cast<int>(receive)) ||
        !WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon) ||
        !WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receive,
                          sizeof receive) ||
        !WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &self, sizeof self) ||
        WinHttpSetStatusCallback(request, OnStatus, kNotifications, 0) ==
            WINHTTP_INVALID_STATUS_CALLBACK) {
        return StepFailure("Cannot set up WinHTTP", GetLastError());
    }
    return std::nullopt;
}

// The exchange may be gone by the time the proxy is known, when the transfer was closed
// meanwhile: the look-up keeps only the request, whose Use says whether the exchange still is.
void Exchange::Send() {
    const std::shared_ptr<TransferRequest> request = request_;
    const auto sendThrough = [request, this](const std::optional<ProxySetting>& lookedUp) {
        request->Use([&](HINTERNET handle) { SendThrough(handle, lookedUp); });
    };
    if (route_.lookUp) {
        route_.lookUp->WhenKnown(sendThrough);
    } else {
        sendThrough(std::nullopt);
    }
}

// Without a looked-up proxy the session's own holds: the static one of Internet Options, or none.
// Runs on the user-interface thread or on the look-up's; nothing may escape it.
void Exchange::SendThrough(HINTERNET request, const std::optional<ProxySetting>& lookedUp) {
    try {
        if (lookedUp) {
            setting_ = *lookedUp;
            settingSource_ = kLookedUpProxySource;
            lookedUp_ = true;
            TakeRoute(order_.url);
            if (!SetRequestProxy(request, *lookedUp)) {
                Fail(StepFailure("Cannot set the proxy", GetLastError()));
                return;
            }
        }
    } catch (const std::exception& error) {
        Fail({.kind = TransferFailureKind::Other, .systemText = error.what()});
        return;
    }
    SendRequest(request);
}

void Exchange::SendRequest(HINTERNET request) {
    if (!WinHttpSendRequest(request, headers_.c_str(), static_cast<DWORD>(headers_.size()),
                            WINHTTP_NO_REQUEST_DATA, 0, 0, reinterpret_cast<DWORD_PTR>(this))) {
        Fail(GetLastError());
    }
}

void Exchange::TakeRoute(const std::string& url) {
    way_ = RouteOf(setting_, settingSource_, route_.netsh, url);
}

// The new address may go another way (a host the bypass list names), and its server must not
// inherit the sign-in policy a proxy was given. WinHTTP reports this before it connects there.
void Exchange::OnRedirect(HINTERNET request, const wchar_t* url) {
    DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    if (!WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon)) {
        Fail(StepFailure("Cannot set up WinHTTP for the redirect", GetLastError()));
        return;
    }
    // A new hop: its server has not yet answered.
    ++hop_;
    responded_ = false;
    certificateKnown_ = false;
    // A relative address stays on the server and its way.
    if (const auto target = CrackUrl(url)) {
        server_ = target->Server();
        secure_ = target->secure;
        TakeRoute(WideToUtf8(url));
    }
}

// A proxy that asks with NTLM or Negotiate gets the user's Windows account, once: the null user
// name and password stand for the default credentials, which the policy MEDIUM lets go to a
// proxy. The request then goes again on the same handle.
void Exchange::AnswerProxyWithUserAccount(HINTERNET request, DefaultSignIn answer) {
    DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_MEDIUM;
    const DWORD scheme = answer == DefaultSignIn::Negotiate ? WINHTTP_AUTH_SCHEME_NEGOTIATE
                                                            : WINHTTP_AUTH_SCHEME_NTLM;
    if (!WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon) ||
        !WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr,
                               nullptr)) {
        Fail(StepFailure("Cannot answer the proxy's sign-in", GetLastError()));
        return;
    }
    proxyAnsweredOnHop_ = hop_;
    info_ = {};
    SendRequest(request);
}

void CALLBACK Exchange::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, void* info,
                                 DWORD length) {
    auto* exchange = reinterpret_cast<Exchange*>(context);
    if (!exchange) {
        return;
    }
    if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
        delete exchange;
        return;
    }
    // The handle may close before Use returns, and the exchange's reference with it.
    const std::shared_ptr<TransferRequest> request = exchange->request_;
    try {
        request->Use([&](HINTERNET handle) { exchange->Handle(handle, status, info, length); });
    } catch (const std::exception& error) {
        // WinHTTP's thread must not see the exception; the transfer ends with it instead.
        EndWith(*request, error);
    }
}

void Exchange::Handle(HINTERNET request, DWORD status, void* info, DWORD length) {
    switch (status) {
        case WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER:
            connected_ = false;
            break;
        case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER:
            connected_ = true;
            break;
        case WINHTTP_CALLBACK_STATUS_REDIRECT:
            OnRedirect(request, static_cast<const wchar_t*>(info));
            break;
        case WINHTTP_CALLBACK_STATUS_SECURE_FAILURE:
            secureFailureFlags_ = *static_cast<const DWORD*>(info);
            break;
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
            OnSent(request);
            break;
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
            OnHeaders(request);
            break;
        case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
            OnDataAvailable(request, *static_cast<const DWORD*>(info));
            break;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
            OnRead(request, static_cast<const char*>(info), length);
            break;
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
            FailOrResend(request, static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError);
            break;
        default:
            break;
    }
}

// Whether the server's certificate is known: the response then came through the secure channel.
bool OverSecureChannel(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) ||
        !certificate) {
        return false;
    }
    CertFreeCertificateContext(certificate);
    return true;
}

// A reused connection reports no connecting: the request sent, it stands, and over HTTPS its
// secure channel to the server with it.
void Exchange::OnSent(HINTERNET request) {
    connected_ = true;
    certificateKnown_ = secure_ && OverSecureChannel(request);
    if (!WinHttpReceiveResponse(request, nullptr)) {
        FailOrResend(request, GetLastError());
    }
}

ResponseFacts Exchange::Facts(HINTERNET request, DWORD status) const {
    ResponseFacts facts{.route = way_,
                        .secure = secure_,
                        .overSecureChannel = secure_ && OverSecureChannel(request),
                        .status = static_cast<int>(status),
                        .conditional = order_.conditions.NameACopy(),
                        .hop = hop_,
                        .proxyAnsweredOnHop = proxyAnsweredOnHop_};
    DWORD offered = 0;
    DWORD first = 0;
    DWORD target = 0;
    if (WinHttpQueryAuthSchemes(request, &offered, &first, &target)) {
        facts.offersNegotiate = (offered & WINHTTP_AUTH_SCHEME_NEGOTIATE) != 0;
        facts.offersNtlm = (offered & WINHTTP_AUTH_SCHEME_NTLM) != 0;
    }
    return facts;
}

void Exchange::OnHeaders(HINTERNET request) {
    connected_ = true;
    const auto status = StatusCode(request);
    if (!status) {
        Fail(StepFailure("No status from " + server_, GetLastError()));
        return;
    }
    // The clock the program's own reads: the headers' time is compared with its.
    info_.headersAt = std::chrono::milliseconds(GetTickCount64());
    info_.date = HeaderText(request, WINHTTP_QUERY_DATE);
    info_.age = HeaderText(request, WINHTTP_QUERY_AGE);
    info_.lastModified = HeaderText(request, WINHTTP_QUERY_LAST_MODIFIED);
    info_.etag = HeaderText(request, WINHTTP_QUERY_ETAG);
    const ResponseAnswer answer = JudgeResponse(Facts(request, *status));
    serverTime_ = answer.serverTime;
    responded_ = !answer.proxysFailure && answer.step != ResponseAnswer::Step::SignIn;
    switch (answer.step) {
        case ResponseAnswer::Step::SignIn:
            AnswerProxyWithUserAccount(request, answer.signIn);
            return;
        case ResponseAnswer::Step::Fail:
            FailWithStatus(request, answer, *status);
            return;
        case ResponseAnswer::Step::NotModified:
            info_.notModified = true;
            Complete();
            return;
        case ResponseAnswer::Step::ReadBody:
            ReadBody(request);
            return;
    }
}

// A refusal the proxy wrote names the proxy, where the program knows it.
void Exchange::FailWithStatus(HINTERNET request, const ResponseAnswer& answer, DWORD status) {
    TransferFailure failure{.kind = answer.failure,
                            .systemText = HeaderText(request, WINHTTP_QUERY_STATUS_TEXT),
                            .server = server_,
                            .connected = true,
                            .httpStatus = static_cast<int>(status)};
    if (answer.proxysFailure) {
        failure.proxy = way_.proxy;
        failure.proxySource = way_.source;
    }
    Fail(std::move(failure));
}

void Exchange::ReadBody(HINTERNET request) {
    switch (ContentEncoding(request)) {
        case Encoding::Identity:
            break;
        case Encoding::Gzip:
            inflater_.emplace(order_.limits.BodyBytes());
            info_.compressed = true;
            break;
        case Encoding::Unknown:
            Fail({.kind = TransferFailureKind::Other,
                  .systemText =
                      "The server sent the data in an encoding this program cannot read (" +
                      HeaderText(request, WINHTTP_QUERY_CONTENT_ENCODING) + ")"});
            return;
    }
    // WinHTTP does not always notice a connection closed before the end of the body.
    expected_ = ContentLength(request);
    if (expected_ && *expected_ > order_.limits.BodyBytes()) {
        Fail(TooLarge());
        return;
    }
    // The body is held in one piece from the start instead of grown, up to a bound: a header
    // alone must not claim the memory of a large limit.
    if (expected_ && !inflater_) {
        request_->ExpectBodySize(std::min(*expected_, kMostReservedBytes));
    }
    RequestData(request);
}

// Asking first hands on what has arrived; a read alone may wait for a full buffer.
void Exchange::RequestData(HINTERNET request) {
    if (!WinHttpQueryDataAvailable(request, nullptr)) {
        Fail(GetLastError());
    }
}

void Exchange::OnDataAvailable(HINTERNET request, DWORD available) {
    if (available == 0) {
        Finish();
        return;
    }
    // A read of what has arrived never waits. A full buffer waiting tells of data that comes
    // faster than it is taken, so then a large read costs little waiting and spares many small
    // ones.
    const DWORD size = available >= kWineBufferSize ? kReadSize : available;
    if (!WinHttpReadData(request, buffer_.data(), size, nullptr)) {
        Fail(GetLastError());
    }
}

void Exchange::OnRead(HINTERNET request, const char* data, DWORD length) {
    if (length == 0) {
        Finish();
        return;
    }
    received_ += length;
    // The limit holds for the bytes the server sends and for what they inflate to.
    if (received_ > order_.limits.BodyBytes()) {
        Fail(TooLarge());
        return;
    }
    if (!AddToBody(std::string_view(data, length))) {
        return;
    }
    // All the announced bytes are here: asking WinHTTP for the end would only cost a round.
    if (expected_ && received_ >= *expected_) {
        Finish();
        return;
    }
    RequestData(request);
}

void Exchange::Keep(std::string_view bytes) {
    request_->AddData(bytes);
    tail_ += bytes.substr(bytes.size() - std::min(bytes.size(), kBodyTailBytes));
    tail_.erase(0, tail_.size() - std::min(tail_.size(), kBodyTailBytes));
}

bool Exchange::AddToBody(std::string_view bytes) {
    if (!inflater_) {
        Keep(bytes);
        return true;
    }
    for (;;) {
        std::string inflated;
        switch (inflater_->Inflate(bytes, inflated)) {
            case GzipInflater::Result::Ok:
                Keep(inflated);
                return true;
            case GzipInflater::Result::More:
                Keep(inflated);
                break;
            case GzipInflater::Result::TooLarge:
                Fail(TooLarge());
                return false;
            case GzipInflater::Result::Damaged:
                Fail(Damaged());
                return false;
        }
    }
}

void Exchange::Finish() {
    switch (JudgeBody({.kind = order_.limits.body,
                       .contentLength = expected_,
                       .received = received_,
                       .compressed = inflater_.has_value(),
                       .gzipEnded = inflater_ && inflater_->Ended(),
                       .tail = tail_})) {
        case BodyVerdict::Whole:
            Complete();
            return;
        case BodyVerdict::CutShort:
            Fail({.kind = TransferFailureKind::CutShort,
                  .server = server_,
                  .connected = true,
                  .receivedBytes = received_,
                  .expectedBytes = expected_.value_or(0)});
            return;
        case BodyVerdict::Damaged:
            Fail(Damaged());
            return;
    }
}

void Exchange::FailOrResend(HINTERNET request, DWORD code) {
    if (code == ERROR_WINHTTP_RESEND_REQUEST && resends_ < kMostResends) {
        ++resends_;
        // The new attempt is blamed on its own facts, not on what the last one met.
        info_ = {};
        serverTime_ = false;
        responded_ = false;
        certificateKnown_ = false;
        SendRequest(request);
        return;
    }
    Fail(code);
}

// A proxy the look-up found that fails may belong to where the computer was before.
void Exchange::Fail(DWORD code) {
    TransferFailure failure = WinHttpFailure(code, Situation());
    if (lookedUp_ && !failure.proxy.empty()) {
        route_.lookUp->Forget();
    }
    Fail(std::move(failure));
}

// Only the first end counts; the handle closes with it, and WinHTTP drops the rest.
void Exchange::Fail(TransferFailure failure) {
    // An error response of the server's still tells its clock.
    failure.date = info_.date;
    failure.age = info_.age;
    failure.serverTime = serverTime_;
    failure.headersAt = info_.headersAt;
    failure.notice = route_.notice;
    request_->End(std::move(failure));
}

void Exchange::Complete() {
    info_.notice = route_.notice;
    request_->End(std::move(info_));
}

}  // namespace

void StartExchange(std::shared_ptr<TransferRequest> request, ExchangeOrder order) {
    auto exchange = std::make_unique<Exchange>(request, std::move(order));
    if (auto failure = exchange->Open()) {
        // Before its callback was set, the handle's closing frees nothing: the exchange goes here.
        request->End(std::move(*failure));
        return;
    }
    exchange.release()->Send();
}

std::size_t WinHttpTransfersInFlight() {
    return exchangesInFlight;
}

}  // namespace nimbrel
