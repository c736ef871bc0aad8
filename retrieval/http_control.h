// One HTTP GET at a time, reported through events on the user-interface thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// What the server said about a response beyond its body. Header values are as sent, empty when
// absent.
struct HttpResponseInfo {
    std::string date{};
    std::string lastModified{};
    std::string etag{};
    bool notModified = false;  // 304: the copy the conditions named is still current; no body
    bool compressed = false;   // the body came gzip-encoded and the chunks are its inflated bytes
    std::string age{};         // a cache's Age header: how many seconds ago the `date` was true
    // Once per run, what the user is to know about the way to the server, such as a proxy
    // variable the program cannot use; empty otherwise.
    std::string notice{};
    // When the headers arrived, by the program's monotonic clock: a body that takes minutes does
    // not make the response's time that much older. Absent when no headers came.
    std::optional<std::chrono::milliseconds> headersAt{};
};

// Validators of a copy the program already has; empty ones are not sent. With any set, the server
// may answer 304, which completes the transfer with `notModified` and no data.
struct HttpConditions {
    std::string ifModifiedSince{};
    std::string ifNoneMatch{};

    // A value from an earlier response that would break the header block is not sent.
    static bool Sendable(std::string_view value) {
        return !value.empty() && value.find_first_of("\r\n") == std::string_view::npos;
    }
    // Whether any is sent: only then may a 304 answer.
    bool NameACopy() const { return Sendable(ifModifiedSince) || Sendable(ifNoneMatch); }
};

// Why a transfer failed, as data the program can act on; the sentence for the user is made
// from it elsewhere.
enum class TransferFailureKind {
    HttpStatus,      // the server answered outside 2xx
    TimedOut,        // no data for `idle`
    CutShort,        // the body ended before its Content-Length, or before its proper end
    TooLarge,        // more than `limitBytes`, counted after decompression
    Damaged,         // a compressed body that does not inflate
    Connection,      // connecting, sending or receiving failed
    NameResolution,  // the server's name is unknown
    Tls,             // no secure connection
    Redirect,        // a redirect not followed: to plain HTTP, or one too many
    ProxySignIn,     // the proxy at `proxy` wants credentials the program does not have
    ProxyRefused,    // the proxy (at `proxy`, or the system's) refused the tunnel to `server`
    Cancelled,       // abandoned by the program; never shown
    Other,           // anything else; `systemText` says what
};

struct TransferFailure {
    TransferFailureKind kind = TransferFailureKind::Other;
    std::string systemText{};  // the platform's own words, or the reason phrase of a status
    std::string server{};      // host:port
    bool connected = false;    // the server had accepted the connection
    int httpStatus = 0;
    std::uint64_t receivedBytes = 0;
    std::uint64_t expectedBytes = 0;    // Content-Length, for CutShort; 0 when none came
    std::uint64_t limitBytes = 0;       // for TooLarge
    std::chrono::milliseconds idle{0};  // for TimedOut
    // The system would not let the transfer ask for TLS 1.2, so an old Windows may lack it.
    bool tlsVersionNotOffered = false;
    std::string date{};  // the Date header of a response that came, error responses included
    std::string age{};   // and its Age header
    // They came from the server itself (over HTTPS, through the secure channel), not from a
    // proxy on the way, and may be believed.
    bool serverTime = false;
    // The proxy (host:port) when the failure is its own, before any response came through it,
    // and where the program found it ("https_proxy", "Internet Options"); empty otherwise.
    std::string proxy{};
    std::string proxySource{};
    std::string notice{};                                  // as HttpResponseInfo's
    std::optional<std::chrono::milliseconds> headersAt{};  // as HttpResponseInfo's
};

// Receives the events of one control. Every call comes from the platform's message loop on the
// user-interface thread, never from inside SetUrl, Start or Cancel.
class HttpListener {
  public:
    virtual ~HttpListener() = default;

    // Chunks come in document order and together carry the whole body, byte for byte. A control
    // may hand the whole body over as one chunk just before the completion, to be kept as it is.
    virtual void OnDataArrival(std::string chunk) = 0;
    // The transfer failed; nothing more follows for it.
    virtual void OnError(const TransferFailure& failure) = 0;
    // The whole body has arrived with a successful status; nothing more follows for it.
    virtual void OnComplete(const HttpResponseInfo& info) = 0;
};

class HttpControl {
  public:
    virtual ~HttpControl() = default;

    virtual void SetListener(HttpListener& listener) = 0;
    virtual void SetUrl(const std::string& url) = 0;
    // For the next Start only; SetUrl clears them.
    virtual void SetConditions(const HttpConditions& conditions) = 0;
    // Returns at once. A transfer still under way on this control is abandoned first, and no
    // event of it is delivered afterwards.
    virtual void Start() = 0;
    // Abandons the transfer under way, if any, without further events.
    virtual void Cancel() = 0;
};

}  // namespace nimbrel
