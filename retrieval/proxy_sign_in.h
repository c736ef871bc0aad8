// What a response may be trusted with: whether its proxy gets the Windows account of the user,
// whether it fails and whose failure that is, whether its time is the server's, and whether its
// body is whole. The WinHTTP exchange gathers the facts and carries the answers out.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "retrieval/http_control.h"
#include "retrieval/proxy_choice.h"

namespace nimbrel {

// What the headers of one response tell, on the hop (address) now asked.
struct ResponseFacts {
    RequestRoute route{};
    bool secure = false;             // an https:// address
    bool overSecureChannel = false;  // the server's certificate is known: the server answered
    int status = 0;
    bool conditional = false;  // the request named a copy the program has, so 304 may answer
    bool offersNegotiate = false;
    bool offersNtlm = false;
    // Each redirect is a new hop, whose proxy may be answered once more.
    int hop = 0;
    std::optional<int> proxyAnsweredOnHop{};  // the last hop whose proxy was given the account
};

enum class DefaultSignIn { None, Negotiate, Ntlm };

struct ResponseAnswer {
    enum class Step {
        SignIn,       // send again, the proxy answered with the account as `signIn` says
        Fail,         // with `failure`
        NotModified,  // the copy the conditions named still holds
        ReadBody,
    };
    Step step = Step::Fail;
    DefaultSignIn signIn = DefaultSignIn::None;
    TransferFailureKind failure = TransferFailureKind::HttpStatus;
    bool proxysFailure = false;  // the proxy wrote the response, and is named in the failure
    bool serverTime = false;     // its Date and Age are the server's, to be believed

    bool operator==(const ResponseAnswer&) const = default;
};

ResponseAnswer JudgeResponse(const ResponseFacts& facts);

// Whether a failure of the connection is the proxy's: until the server answered through it, or,
// in a tunnel, until the server's certificate was known.
bool ProxyToBlame(const RequestRoute& route, bool responded, bool serverCertificateKnown);

// What a transfer fetches, which sets its limit and how its body must end.
enum class BodyKind {
    Page,       // a page or a folder listing
    CycleFile,  // NOAA's cycle file
    CacheFile,  // the second source's
};

std::uint64_t BodyLimit(BodyKind kind);
// Held at once for an announced length; a larger body grows as its bytes arrive.
inline constexpr std::uint64_t kMostReservedBytes = std::uint64_t{8} << 20;

// How a body ended, as the exchange saw it.
struct BodyFacts {
    BodyKind kind = BodyKind::CycleFile;
    std::optional<std::uint64_t> contentLength{};
    std::uint64_t received = 0;  // bytes as sent
    bool compressed = false;
    bool gzipEnded = false;
    std::string_view tail{};  // the body's last bytes as inflated; kBodyTailBytes are enough
};
inline constexpr std::size_t kBodyTailBytes = 8;

enum class BodyVerdict { Whole, CutShort, Damaged };

BodyVerdict JudgeBody(const BodyFacts& facts);

}  // namespace nimbrel
