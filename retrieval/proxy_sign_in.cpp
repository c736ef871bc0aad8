#include "retrieval/proxy_sign_in.h"

#include <algorithm>
#include <cctype>

#include "retrieval/metar_cache_file.h"

namespace nimbrel {

namespace {

constexpr int kProxySignInRequired = 407;
constexpr int kNotModified = 304;

using Step = ResponseAnswer::Step;

// Over HTTPS the server answers only through the secure channel, so any answer without one is
// the proxy's, such as its refusal of the tunnel. Over plain HTTP only a 407 from a proxy the
// program knows carried this request is taken for the proxy's own: a server reached directly,
// or a way the system chose unseen, must not get the account.
bool ProxyWrote(const ResponseFacts& facts) {
    if (facts.secure) {
        return facts.route.way != RequestRoute::Way::Direct && !facts.overSecureChannel;
    }
    return facts.route.way == RequestRoute::Way::Proxy && facts.status == kProxySignInRequired;
}

// NTLM or Negotiate carry the account without its password; once per hop.
DefaultSignIn SignInFor(const ResponseFacts& facts) {
    if (facts.status != kProxySignInRequired || facts.proxyAnsweredOnHop == facts.hop) {
        return DefaultSignIn::None;
    }
    if (facts.offersNegotiate) {
        return DefaultSignIn::Negotiate;
    }
    return facts.offersNtlm ? DefaultSignIn::Ntlm : DefaultSignIn::None;
}

bool EndsWithLine(std::string_view tail) {
    return tail.ends_with('\n') || tail.ends_with('\r');
}

bool EndsWithHtml(std::string_view tail) {
    constexpr std::string_view kEnd = "</html>";
    return tail.size() >= kEnd.size() &&
           std::equal(kEnd.begin(), kEnd.end(), tail.end() - kEnd.size(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

// A body that announced no length is whole only when it ends as its kind must: a cut that
// lands on a line end still passes, which the report's own checks then judge.
bool EndsAsItsKindMust(BodyKind kind, std::string_view tail) {
    return EndsWithLine(tail) || (kind == BodyKind::Page && EndsWithHtml(tail));
}

}  // namespace

ResponseAnswer JudgeResponse(const ResponseFacts& facts) {
    if (ProxyWrote(facts)) {
        const DefaultSignIn signIn = SignInFor(facts);
        if (signIn != DefaultSignIn::None) {
            return {.step = Step::SignIn, .signIn = signIn};
        }
        return {.failure = facts.status == kProxySignInRequired ? TransferFailureKind::ProxySignIn
                                                                : TransferFailureKind::ProxyRefused,
                .proxysFailure = true};
    }
    if (facts.status == kNotModified && facts.conditional) {
        return {.step = Step::NotModified, .serverTime = true};
    }
    if (facts.status >= 200 && facts.status < 300) {
        return {.step = Step::ReadBody, .serverTime = true};
    }
    return {.serverTime = true};
}

bool ProxyToBlame(const RequestRoute& route, bool responded, bool serverCertificateKnown) {
    return route.way != RequestRoute::Way::Direct && !responded && !serverCertificateKnown;
}

std::uint64_t BodyLimit(BodyKind kind) {
    switch (kind) {
        case BodyKind::Page:
            return std::uint64_t{1} << 20;
        case BodyKind::CacheFile:
            return kMaxCacheFileBytes;
        case BodyKind::CycleFile:
            break;
    }
    return std::uint64_t{64} << 20;
}

BodyVerdict JudgeBody(const BodyFacts& facts) {
    if (facts.contentLength && facts.received < *facts.contentLength) {
        return BodyVerdict::CutShort;
    }
    if (facts.compressed) {
        if (facts.gzipEnded) {
            return BodyVerdict::Whole;
        }
        return facts.contentLength ? BodyVerdict::Damaged : BodyVerdict::CutShort;
    }
    if (facts.contentLength || EndsAsItsKindMust(facts.kind, facts.tail)) {
        return BodyVerdict::Whole;
    }
    return BodyVerdict::CutShort;
}

}  // namespace nimbrel
